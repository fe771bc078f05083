// The clipboard change dispatch and what the analysers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

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

// One clipboard change: takes a new text into lastClipText and runs the
// enabled analysers in order. Each analyser's step reads the clipboard afresh;
// once that read is no longer the text this change took, the change ends there
// and the new text is left to its own change, so that no copy is analysed twice.
void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText);

// The change handler with what it keeps between changes besides lastClipText.
class TClipDispatch {
 public:
  // One change at a time: a change reported while one is being analysed (the
  // shell may deliver sent messages while it opens a URL) is taken up once that
  // one has ended, so the text under analysis never changes beneath it.
  // False when the clipboard was held by another program (EClipboardBusy): the
  // next call goes on where this one stopped, the steps already run not again.
  // An analyser that would open more pages than the host allows without asking
  // opens none yet: the host is told to ask (AskLater), and the texts of the
  // changes reported until the question is answered are kept, in order.
  bool Change(IAnalysisHost& host, std::string& lastClipText);
  // Asks the waiting question; opens the pages if the answer is yes, then goes
  // on with the rest of that change and with the changes kept meanwhile.
  // False as for Change.
  bool Ask(IAnalysisHost& host, std::string& lastClipText);
  bool Asking() const { return question_.has_value(); }
  bool Running() const { return running_; }

 private:
  friend void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText);
  void ChangeOnce(IAnalysisHost& host, std::string& lastClipText);
  // The enabled analysers from step first on; false when a step's fresh read finds another text. A step
  // with a question to ask ends them, returning true.
  bool RunSteps(IAnalysisHost& host, const std::string& text, std::size_t first, bool freshReads = true);
  // What the analysis owes after its own change: the rest of the steps of a text whose question is
  // answered, then the kept texts, then a change reported meanwhile; until a question comes up.
  void CatchUp(IAnalysisHost& host, std::string& lastClipText);
  // The clipboard's text, kept for later unless it is the text taken last or kept last.
  void Keep(IAnalysisHost& host, const std::string& lastClipText);

  struct TQuestion {
    std::size_t step;   // the analyser waiting for the answer
    std::size_t pages;  // how many pages it would open
  };
  std::optional<TQuestion> question_;
  std::deque<std::string> kept_;  // texts copied while a question waited, oldest first

  bool running_ = false;
  bool pending_ = false;
  // The analyser step whose fresh read found the clipboard held: lastClipText's remaining steps start there.
  std::optional<std::size_t> resume_;
  // A text too large to be held counts as taken all the same: its fingerprint.
  std::optional<std::uint64_t> unheld_;
};
