#include "Analysers.h"

void BrowseNetMileAD(IAnalysisHost&, const std::string&) {}
