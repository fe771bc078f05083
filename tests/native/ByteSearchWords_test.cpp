// The block searches of machine words, as the 32-bit build takes them, built here on the host.
#define BRIVOLA_WORD_BLOCKS 1
#define BYTE_SEARCH_SUITE ByteSearchWords
#include "ByteSearchCases.h"
