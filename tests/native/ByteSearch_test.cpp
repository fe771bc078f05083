// The block searches as every build for x86-64 takes them (SSE2 blocks there).
#define BYTE_SEARCH_SUITE ByteSearch
#include "ByteSearchCases.h"
