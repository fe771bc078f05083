// The three analysers. Each reads its own settings from the host at the moment of use.
#pragma once

#include <string_view>

#include "AnalysisHost.h"
#include "TextRules.h"

void BrowseStockChart(IAnalysisHost& host, std::string_view text);
void BrowseNetMileAD(IAnalysisHost& host, std::string_view text);
void BrowseInfoCash(IAnalysisHost& host, std::string_view text);

// The mail analysers on a text already cut at its first NUL.
void BrowseNetMileAD(IAnalysisHost& host, const TTextToNul& text);
void BrowseInfoCash(IAnalysisHost& host, const TTextToNul& text);
