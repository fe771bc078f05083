#include "Dispatch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "Analysers.h"

bool TextEquals(std::string_view a, std::string_view b) { return a == b; }

std::string ExtractUrl(std::string_view text) {
  const auto end = std::find_if(text.begin(), text.end(), [](char c) {
    return c == '\0' || URL_CHARS.find(c) == std::string_view::npos;
  });
  return std::string(text.begin(), end);
}

void PauseAfterLink(IAnalysisHost& host) {
  // A negative pause would block the GUI thread for good: treat it as none.
  const int ms = host.SleepTime();
  if (ms > 0) host.Sleep(ms);
}

std::uint64_t TextDigest(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return hash ^ (static_cast<std::uint64_t>(text.size()) * 0x9e3779b97f4a7c15ull);
}

std::uint64_t IAnalysisHost::ClipboardTextDigest() { return TextDigest(ReadClipboardText()); }

namespace {
using TEnabled = bool (IAnalysisHost::*)();
using TAnalyser = void (*)(IAnalysisHost&, std::string_view);
constexpr std::pair<TEnabled, TAnalyser> kSteps[] = {
    {&IAnalysisHost::BrowseStockCode, &BrowseStockChart},
    {&IAnalysisHost::AutoBrowseNetMileAD, &BrowseNetMileAD},
    {&IAnalysisHost::AutoBrowseInfoCash, &BrowseInfoCash},
};

// An analyser's run that opens nothing and pauses nowhere: how many pages it would open, and the first
// `keep` of them, each with whether a pause follows it.
class TPlanHost final : public IAnalysisHost {
 public:
  TPlanHost(IAnalysisHost& host, std::size_t keep) : host_(host), keep_(keep) {}
  bool BrowseStockCode() override { return host_.BrowseStockCode(); }
  int StockSiteSelect() override { return host_.StockSiteSelect(); }
  bool AutoBrowseNetMileAD() override { return host_.AutoBrowseNetMileAD(); }
  bool AutoBrowseInfoCash() override { return host_.AutoBrowseInfoCash(); }
  int SleepTime() override { return 1; }  // so that every pause shows
  std::string InfoCashID() override { return host_.InfoCashID(); }
  bool ClipboardHasText() override { return host_.ClipboardHasText(); }
  std::string ReadClipboardText() override { return host_.ReadClipboardText(); }
  std::string HalfWidth(const std::string& text) override { return host_.HalfWidth(text); }
  void OpenUrl(const std::string& target) override {
    if (++pages <= keep_) opens.push_back({target, false});
  }
  void Sleep(int) override {
    if (pages <= keep_ && !opens.empty()) opens.back().second = true;
  }

  std::size_t pages = 0;
  std::vector<std::pair<std::string, bool>> opens;

 private:
  IAnalysisHost& host_;
  std::size_t keep_;
};

// Runs the analyser on the text, unless it would open more pages than the host opens without asking: then
// it opens none and gives their number.
std::optional<std::size_t> OpenPages(IAnalysisHost& host, TAnalyser analyser, std::string_view text) {
  const std::size_t limit = host.PagesWithoutAsking();
  if (limit == SIZE_MAX) {
    analyser(host, text);
    return std::nullopt;
  }
  TPlanHost plan(host, limit);
  analyser(plan, text);
  if (plan.pages > limit) return plan.pages;
  for (const auto& [url, pause] : plan.opens) {
    host.OpenUrl(url);
    if (pause) PauseAfterLink(host);
  }
  return std::nullopt;
}
}  // namespace

void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText) {
  TClipDispatch dispatch;
  dispatch.ChangeOnce(host, lastClipText);
  while (dispatch.Asking()) dispatch.Ask(host, lastClipText);
}

namespace {
// The dispatch's running flag, and what a change reported meanwhile left, cleared on every way out.
struct TRunning {
  bool& running;
  bool& pending;
  explicit TRunning(bool& r, bool& p) : running(r), pending(p) { running = true; }
  ~TRunning() { running = pending = false; }
};
}  // namespace

bool TClipDispatch::Change(IAnalysisHost& host, std::string& lastClipText) {
  try {
    if (question_) {
      Keep(host, lastClipText);
      return true;
    }
    if (running_) {
      pending_ = true;
      return true;
    }
    TRunning running(running_, pending_);
    pending_ = true;  // this change, after the texts kept before it
    CatchUp(host, lastClipText);
  } catch (const EClipboardBusy&) {
    return false;
  }
  return true;
}

bool TClipDispatch::Ask(IAnalysisHost& host, std::string& lastClipText) {
  if (!question_) return true;
  // Inside a change (a modal loop of the shell's that handed on the request): asked once that change is over.
  if (running_) {
    host.AskLater();
    return true;
  }
  try {
    TRunning running(running_, pending_);
    // While the question is open, the changes reported are kept (Change sees the question).
    const bool open = host.ConfirmOpen(question_->pages);
    const std::size_t step = std::exchange(question_, std::nullopt)->step;
    try {
      if (open) kSteps[step].second(host, lastClipText);
    } catch (const std::bad_alloc&) {
      host.ReportTextTooLarge();
    }
    RunSteps(host, lastClipText, step + 1, false);
    CatchUp(host, lastClipText);
  } catch (const EClipboardBusy&) {
    return false;
  }
  return true;
}

void TClipDispatch::CatchUp(IAnalysisHost& host, std::string& lastClipText) {
  while (!question_) {
    if (!kept_.empty()) {
      std::string text = std::move(kept_.front());
      kept_.pop_front();
      if (TextEquals(text, lastClipText)) continue;
      unheld_.reset();
      lastClipText = std::move(text);
      // The clipboard has moved on since: the kept text is analysed as it was copied.
      RunSteps(host, lastClipText, 0, false);
    } else if (pending_) {
      pending_ = false;
      ChangeOnce(host, lastClipText);
    } else {
      return;
    }
  }
  // A question waits again: a change reported meanwhile is kept behind the ones before it.
  if (std::exchange(pending_, false)) Keep(host, lastClipText);
}

void TClipDispatch::Keep(IAnalysisHost& host, const std::string& lastClipText) {
  if (!host.ClipboardHasText() || host.ClipboardIsPrivate()) return;
  std::string text;
  try {
    text = host.ReadClipboardText();
  } catch (const std::bad_alloc&) {
    host.ReportTextTooLarge();
    return;
  }
  if (!TextEquals(text, kept_.empty() ? lastClipText : kept_.back())) kept_.push_back(std::move(text));
}

void TClipDispatch::ChangeOnce(IAnalysisHost& host, std::string& lastClipText) {
  // A change that a held clipboard stopped goes on where it stopped while the clipboard keeps its text; a
  // text that has moved on meanwhile is taken below as a change of its own.
  if (const auto first = std::exchange(resume_, std::nullopt); first && RunSteps(host, lastClipText, *first))
    return;
  if (!host.ClipboardHasText()) return;
  // A secret is neither analysed nor remembered.
  if (host.ClipboardIsPrivate()) return;
  if (host.ClipboardTextEquals(lastClipText)) return;
  if (unheld_ && lastClipText.empty() && host.ClipboardTextDigest() == *unheld_) return;

  // The old text goes before the new one is read, so that no more than one
  // text is held beside the platform's own copy.
  unheld_.reset();
  std::string().swap(lastClipText);
  try {
    lastClipText = host.ReadClipboardText();
  } catch (const std::bad_alloc&) {
    try {
      unheld_ = host.ClipboardTextDigest();
    } catch (const std::bad_alloc&) {
      // Not even its fingerprint: the next change tries the text again.
    }
    host.ReportTextTooLarge();
    return;
  }
  RunSteps(host, lastClipText, 0);
}

bool TClipDispatch::RunSteps(IAnalysisHost& host, const std::string& text, std::size_t first,
                             bool freshReads) {
  try {
    for (std::size_t step = first; step < std::size(kSteps); ++step) {
      const auto& [enabled, analyser] = kSteps[step];
      if (!(host.*enabled)()) continue;
      // The step's fresh read; what it finds equal is the text's bytes.
      if (freshReads) {
        try {
          if (!host.ClipboardTextEquals(text)) return false;
        } catch (const EClipboardBusy&) {
          resume_ = step;
          throw;
        }
      }
      if (const auto pages = OpenPages(host, analyser, text)) {
        question_ = TQuestion{step, *pages};
        host.AskLater();
        return true;
      }
    }
  } catch (const std::bad_alloc&) {
    host.ReportTextTooLarge();  // the text stays taken: it is not tried again
  }
  return true;
}
