#include "Dispatch.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <utility>

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

void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText) {
  TClipDispatch().ChangeOnce(host, lastClipText);
}

bool TClipDispatch::Change(IAnalysisHost& host, std::string& lastClipText) {
  if (running_) {
    pending_ = true;
    return true;
  }
  running_ = true;
  struct Done {
    TClipDispatch& self;
    ~Done() { self.running_ = self.pending_ = false; }
  } done{*this};
  try {
    do {
      pending_ = false;
      ChangeOnce(host, lastClipText);
    } while (pending_);
  } catch (const EClipboardBusy&) {
    return false;
  }
  return true;
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

bool TClipDispatch::RunSteps(IAnalysisHost& host, const std::string& lastClipText, std::size_t first) {
  using TEnabled = bool (IAnalysisHost::*)();
  using TAnalyser = void (*)(IAnalysisHost&, std::string_view);
  static constexpr std::pair<TEnabled, TAnalyser> kSteps[] = {
      {&IAnalysisHost::BrowseStockCode, &BrowseStockChart},
      {&IAnalysisHost::AutoBrowseNetMileAD, &BrowseNetMileAD},
      {&IAnalysisHost::AutoBrowseInfoCash, &BrowseInfoCash},
  };
  try {
    for (std::size_t step = first; step < std::size(kSteps); ++step) {
      const auto& [enabled, analyser] = kSteps[step];
      if (!(host.*enabled)()) continue;
      // The step's fresh read; what it finds equal is lastClipText's bytes.
      try {
        if (!host.ClipboardTextEquals(lastClipText)) return false;
      } catch (const EClipboardBusy&) {
        resume_ = step;
        throw;
      }
      analyser(host, lastClipText);
    }
  } catch (const std::bad_alloc&) {
    host.ReportTextTooLarge();  // the text stays taken: it is not tried again
  }
  return true;
}
