#include "Analysers.h"

void BrowseInfoCash(IAnalysisHost&, const std::string&) {}
