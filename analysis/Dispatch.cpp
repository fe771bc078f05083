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

// An analyser's run that opens nothing and pauses nowhere: each page it would open, with whether a pause
// follows it, the first `keep` of them kept. Direct: the pages and pauses go straight to the host instead.
class TPlanHost final : public IAnalysisHost {
 public:
  TPlanHost(IAnalysisHost& host, std::vector<TPlannedOpen>& plan, std::size_t& pages, std::size_t keep,
            std::size_t step, bool direct)
      : host_(host), plan_(plan), pages_(pages), keep_(keep), step_(step), direct_(direct) {}
  bool BrowseStockCode() override { return host_.BrowseStockCode(); }
  int StockSiteSelect() override { return host_.StockSiteSelect(); }
  bool AutoBrowseNetMileAD() override { return host_.AutoBrowseNetMileAD(); }
  bool AutoBrowseInfoCash() override { return host_.AutoBrowseInfoCash(); }
  // So that every pause shows; its length is read when it comes.
  int SleepTime() override { return direct_ ? host_.SleepTime() : 1; }
  std::string InfoCashID() override { return host_.InfoCashID(); }
  bool ClipboardHasText() override { return host_.ClipboardHasText(); }
  std::string ReadClipboardText() override { return host_.ReadClipboardText(); }
  std::string HalfWidth(const std::string& text) override { return host_.HalfWidth(text); }
  void OpenUrl(const std::string& target) override {
    if (direct_) return host_.OpenUrl(target);
    if (++pages_ <= keep_) plan_.push_back({target, step_, false});
  }
  void Sleep(int ms) override {
    if (direct_) return host_.Sleep(ms);
    if (pages_ <= keep_ && !plan_.empty() && plan_.back().step == step_) plan_.back().pause = true;
  }

 private:
  IAnalysisHost& host_;
  std::vector<TPlannedOpen>& plan_;
  std::size_t& pages_;
  std::size_t keep_, step_;
  bool direct_;
};

// The dispatch's running flag, cleared on every way out.
struct TRunning {
  bool& running;
  explicit TRunning(bool& r) : running(r) { running = true; }
  ~TRunning() { running = false; }
};
}  // namespace

void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText) {
  TClipDispatch dispatch;
  dispatch.direct_ = host.PagesWithoutAsking() == SIZE_MAX;
  if (!dispatch.Change(host, lastClipText)) throw EClipboardBusy("the clipboard is held");
  while (const auto due = dispatch.DueInMs()) {
    if (*due > 0) host.Sleep(*due);
    dispatch.Resume(host, lastClipText);
  }
}

bool TClipDispatch::Change(IAnalysisHost& host, std::string& lastClipText) {
  // While busy, what is due stays as it is: a copy made during a pause doesn't lengthen it.
  const bool busy = Busy();
  try {
    if (busy)
      Keep(host, lastClipText);
    else
      Take(host, lastClipText);
  } catch (const EClipboardBusy&) {
    if (!busy) Settle(host, lastClipText);
    return false;
  }
  if (!busy) Settle(host, lastClipText);
  return true;
}

bool TClipDispatch::Resume(IAnalysisHost& host, std::string& lastClipText) {
  // Inside a step of its own (the question's box, a shell open): the outer call goes on afterwards.
  if (running_) return true;
  {
    TRunning running(running_);
    try {
      if (const auto pages = std::exchange(question_, std::nullopt)) {
        // An exit chosen meanwhile ends the box's loop too: the host answers no then.
        if (host.ConfirmOpen(pages->pages)) {
          PlanSteps(host, lastClipText, 0, pages->steps, false, SIZE_MAX);
          batch_ = std::exchange(plan_, {});
          pages_ = 0;
          next_ = 0;
        }
      } else {
        OpenNext(host);
      }
    } catch (const std::bad_alloc&) {
      host.ReportTextTooLarge();  // the text stays taken; the rest of its pages stay closed
      batch_.clear();
      next_ = 0;
      wait_ = 0;
    }
  }
  Settle(host, lastClipText);
  return true;
}

void TClipDispatch::OpenNext(IAnalysisHost& host) {
  if (std::exchange(wait_, 0) > 0 && next_ >= batch_.size()) return;  // the pause after the last page
  while (next_ < batch_.size()) {
    const TPlannedOpen& open = batch_[next_++];
    // An analyser switched off meanwhile opens no more pages.
    if (!(host.*kSteps[open.step].first)()) continue;
    host.OpenUrl(open.url);
    if (open.pause) wait_ = std::max(host.SleepTime(), 0);
    return;
  }
}

void TClipDispatch::Settle(IAnalysisHost& host, std::string& lastClipText) {
  due_.reset();
  for (;;) {
    if (question_) {
      due_ = 0;
      return;
    }
    if (next_ < batch_.size() || wait_ > 0) {
      due_ = wait_;
      return;
    }
    if (!batch_.empty()) {
      std::vector<TPlannedOpen>().swap(batch_);
      next_ = 0;
      host.CopyOpened();
    }
    if (kept_.empty()) return;
    std::string text = std::move(kept_.front());
    kept_.pop_front();
    if (TextEquals(text, lastClipText)) continue;
    unheld_.reset();
    lastClipText = std::move(text);
    // The clipboard has moved on since: the kept text is analysed as it was copied.
    PlanSteps(host, lastClipText, 0, std::size(kSteps), false, host.PagesWithoutAsking());
    Commit(host);
  }
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

void TClipDispatch::Take(IAnalysisHost& host, std::string& lastClipText) {
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
  PlanSteps(host, lastClipText, 0, std::size(kSteps), true, host.PagesWithoutAsking());
  Commit(host);
}

bool TClipDispatch::PlanSteps(IAnalysisHost& host, const std::string& text, std::size_t first,
                              std::size_t last, bool freshReads, std::size_t keep) {
  if (first == 0) {
    plan_.clear();
    pages_ = 0;
  }
  try {
    for (std::size_t step = first; step < last; ++step) {
      planned_ = step;
      const auto& [enabled, analyser] = kSteps[step];
      if (!(host.*enabled)()) continue;
      // The step's fresh read; what it finds equal is the text's bytes. A clipboard held for a moment (a
      // clipboard manager reading the copy) still holds the text just taken: the step goes on with it.
      if (freshReads) {
        try {
          if (!host.ClipboardTextEquals(text)) return false;
        } catch (const EClipboardBusy&) {
        }
      }
      TPlanHost plan(host, plan_, pages_, keep, step, direct_);
      analyser(plan, text);
    }
    planned_ = last;
  } catch (const std::bad_alloc&) {
    host.ReportTextTooLarge();  // the text stays taken: it is not tried again
  }
  return true;
}

void TClipDispatch::Commit(IAnalysisHost& host) {
  if (pages_ > host.PagesWithoutAsking()) {
    question_ = TQuestion{pages_, planned_};
    std::vector<TPlannedOpen>().swap(plan_);
  } else {
    batch_ = std::move(plan_);
    plan_.clear();
    next_ = 0;
  }
  pages_ = 0;
}
