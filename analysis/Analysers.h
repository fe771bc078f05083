// The three analysers. Each reads its own settings from the host at the moment of use.
#pragma once

#include <string>

#include "AnalysisHost.h"

void BrowseStockChart(IAnalysisHost& host, const std::string& text);
void BrowseNetMileAD(IAnalysisHost& host, const std::string& text);
void BrowseInfoCash(IAnalysisHost& host, const std::string& text);
