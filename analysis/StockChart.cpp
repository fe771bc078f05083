#include "StockChart.h"

#include "Analysers.h"
#include "TextRules.h"

void BrowseStockChart(IAnalysisHost& host, std::string_view text) {
  const std::string code = TrimBlanks(host.HalfWidth(std::string(text)));
  if (code.size() != 4) return;
  try {
    ParseInteger(code);
  } catch (const EConvertError&) {
    return;  // not a number: no code
  }
  // The site is read now, so a change in the dialog counts before OK.
  const int site = host.StockSiteSelect();
  // No site selected or an out-of-range stored index: there is no chart to open.
  if (site < 0 || site >= static_cast<int>(ChartUrlPrefixes.size())) return;
  host.OpenUrl(std::string(ChartUrlPrefixes[static_cast<size_t>(site)]) + code);
}
