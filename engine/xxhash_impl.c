/* The one translation unit that holds xxHash's implementation. */
#define XXH_IMPLEMENTATION
#include "xxhash.h"
