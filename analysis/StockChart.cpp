#include "Analysers.h"

void BrowseStockChart(IAnalysisHost&, const std::string&) {}
