// The clipboard change dispatch and what the analysers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AnalysisHost.h"

// The 83 bytes a URL may hold.
inline constexpr std::string_view URL_CHARS =
    "!#$%&'()*+,-./0123456789:;=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~";

// Byte-wise equality: no case, width or locale folding.
bool TextEquals(std::string_view a, std::string_view b);

// The longest prefix of Text made only of URL_CHARS bytes.
std::string ExtractUrl(std::string_view text);

// The pause after a mail link: SleepTime milliseconds; a negative value is no pause.
void PauseAfterLink(IAnalysisHost& host);

// A text's fingerprint: its length and its FNV-1a hash.
std::uint64_t TextDigest(std::string_view text);

// One clipboard change, carried out at once: the opens of TClipDispatch one after another, with the host's
// Sleep for each pause. brivola-scan and the tests use it; a host that never asks gets each page as the
// analysers find it, none held.
void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText);

// A page planned for a copy: the analyser step it comes from and whether a pause follows it.
struct TPlannedOpen {
  std::string url;
  std::size_t step;
  bool pause;
};

// The change handler, with what it keeps between changes besides lastClipText. A change takes its text and
// plans every page the enabled analysers would open for it (each step with a fresh read, no page opened);
// Resume then opens them one at a time, each pause a wait of the host's message loop, so that neither the
// program nor the viewer chain waits on a pause.
class TClipDispatch {
 public:
  // A change was reported. Changes reported while a copy's pages are still opening or its question waits
  // (also from inside a shell open or the question's box) are read at once and kept, in order, for later.
  // False when the clipboard was held by another program (EClipboardBusy) before the text was read: call
  // again.
  bool Change(IAnalysisHost& host, std::string& lastClipText);
  // What is due: the question before more pages than the host opens without asking (counted over every
  // analyser of the copy), then the next page, then the texts kept meanwhile. False as for Change.
  bool Resume(IAnalysisHost& host, std::string& lastClipText);
  // When Resume is due, in milliseconds from now; none while nothing waits.
  std::optional<int> DueInMs() const { return due_; }
  bool Asking() const { return question_.has_value(); }
  bool Running() const { return running_; }

 private:
  bool Busy() const { return question_ || next_ < batch_.size() || wait_ > 0 || running_; }
  void Take(IAnalysisHost& host, std::string& lastClipText);
  // Plans the enabled analysers of steps first to last, keeping the first `keep` pages; false when a step's
  // fresh read finds another text.
  bool PlanSteps(IAnalysisHost& host, const std::string& text, std::size_t first, std::size_t last,
                 bool freshReads, std::size_t keep);
  // The plan becomes the batch, or the question when it holds more pages than the host opens unasked.
  void Commit(IAnalysisHost& host);
  void OpenNext(IAnalysisHost& host);
  // Decides what is due next; takes up the kept texts once the batch is over.
  void Settle(IAnalysisHost& host, std::string& lastClipText);
  // The clipboard's text, kept for later unless it is the text taken last or kept last.
  void Keep(IAnalysisHost& host, const std::string& lastClipText);

  std::vector<TPlannedOpen> plan_, batch_;
  std::size_t pages_ = 0;    // pages the plan counts, kept or not
  std::size_t planned_ = 0;  // the step the plan has reached
  std::size_t next_ = 0;     // the batch's next page
  int wait_ = 0;             // the pause before it, ms
  struct TQuestion {
    std::size_t pages;  // how many pages the copy would open
    std::size_t steps;  // over the steps before this one
  };
  std::optional<TQuestion> question_;

  std::deque<std::string> kept_;  // texts copied meanwhile, oldest first
  std::optional<int> due_;
  bool running_ = false;
  bool direct_ = false;  // the synchronous run for a host that never asks: pages go straight to the host
  friend void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText);
  // A text too large to be held counts as taken all the same: its fingerprint.
  std::optional<std::uint64_t> unheld_;
};
