// Heap copies of texts owned by framework objects (released with delete[]).
#pragma once

#include <cstddef>

// A new block of max(length + 1, minSize) bytes holding a copy of text; a null
// text is copied as "".
char* DupString(const char* text, std::size_t minSize = 0);
