// Resources of the executable: the firmware images travel as resources of
// the named type, compiled in by the resource script.
#include "platform/resource.h"

#include <windows.h>

#include <atomic>

#include "platform/testing.h"

namespace {
constexpr int kTrackedIds = 1024;
std::atomic<int> gLookups[kTrackedIds];
}  // namespace

int PlatFindResource(const char* typeName, int id, const unsigned char** bytes,
                     uint32_t* size) {
  if (id >= 0 && id < kTrackedIds) gLookups[id].fetch_add(1);
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), typeName);
  if (!found) return 0;
  DWORD length = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return 0;
  const void* locked = LockResource(loaded);
  if (!locked) return 0;
  if (bytes) *bytes = static_cast<const unsigned char*>(locked);
  if (size) *size = static_cast<uint32_t>(length);
  return 1;
}

int PlatTestResourceLookups(int id) {
  return (id >= 0 && id < kTrackedIds) ? gLookups[id].load() : 0;
}
