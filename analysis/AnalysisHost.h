// What the clipboard dispatch and the analysers need from the platform and
// from the settings. The program implements it with the settings form's
// controls and real Win32 calls; tests and brivola-scan with their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// The clipboard is held by another program for now: the read may succeed a
// moment later. The message is the one the user sees if it never does.
class EClipboardBusy : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IAnalysisHost {
 public:
  virtual ~IAnalysisHost() = default;

  // Settings, read at the moment of use (the controls are the settings).
  virtual bool BrowseStockCode() = 0;
  virtual int StockSiteSelect() = 0;  // radio item index; -1 when none is selected
  virtual bool AutoBrowseNetMileAD() = 0;
  virtual bool AutoBrowseInfoCash() = 0;
  virtual int SleepTime() = 0;  // spin edit value, milliseconds
  virtual std::string InfoCashID() = 0;

  // Platform.
  virtual bool ClipboardHasText() = 0;
  // True when the program that copied marked the content as not for
  // clipboard monitors (password managers do).
  virtual bool ClipboardIsPrivate() { return false; }
  virtual std::string ReadClipboardText() = 0;  // may throw (EClipboardBusy: held by another program)
  // A fresh read compared byte for byte with text; a platform may answer it in
  // place, without a copy of the clipboard's text.
  virtual bool ClipboardTextEquals(std::string_view text) { return ReadClipboardText() == text; }
  // The fingerprint (TextDigest) of the clipboard's text, for a text too large to be held.
  virtual std::uint64_t ClipboardTextDigest();
  // The copied text can't be analysed for lack of memory: the user is told.
  virtual void ReportTextTooLarge() {}
  // How many pages one copy may open, over all its analysers, before the user is asked; SIZE_MAX: never.
  virtual std::size_t PagesWithoutAsking() { return SIZE_MAX; }
  // The question: whether to open all these pages. Other changes may be reported while it is open.
  virtual bool ConfirmOpen(std::size_t /*pages*/) { return true; }
  // The pages of one copy have all been handed over (or dropped): the host may say what failed.
  virtual void CopyOpened() {}
  virtual void OpenUrl(const std::string& target) = 0;
  virtual void Sleep(int /*milliseconds*/) {}  // a pause of the synchronous run (ClipEventClipChange)
  virtual std::string HalfWidth(const std::string& text) = 0;  // LCMAP_HALFWIDTH mapping
};
