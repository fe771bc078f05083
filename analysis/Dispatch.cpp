#include "Dispatch.h"

#include <algorithm>

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

void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText) {
  if (!host.ClipboardHasText()) return;
  // A secret is neither analysed nor remembered.
  if (host.ClipboardIsPrivate()) return;
  if (TextEquals(host.ReadClipboardText(), lastClipText)) return;
  lastClipText = host.ReadClipboardText();
  if (host.BrowseStockCode()) BrowseStockChart(host, host.ReadClipboardText());
  if (host.AutoBrowseNetMileAD()) BrowseNetMileAD(host, host.ReadClipboardText());
  if (host.AutoBrowseInfoCash()) BrowseInfoCash(host, host.ReadClipboardText());
}
