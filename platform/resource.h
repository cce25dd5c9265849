// Resources embedded in the executable.
#pragma once

#include <cstdint>

// Finds the resource of the named type and integer id. On success gives its
// bytes (valid for the life of the process) and size, and returns 1;
// returns 0 when the executable carries no such resource.
int PlatFindResource(const char* typeName, int id, const unsigned char** bytes,
                     uint32_t* size);
