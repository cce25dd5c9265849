// Resources that the build embedded into the executable's read-only data.
#include "platform/resource.h"

#include <atomic>
#include <cstring>

#include "platform/posix/embedded.h"
#include "platform/testing.h"

namespace {
constexpr int kTrackedIds = 1024;
std::atomic<int> gLookups[kTrackedIds];
}  // namespace

int PlatFindResource(const char* typeName, int id, const unsigned char** bytes,
                     uint32_t* size) {
  if (id >= 0 && id < kTrackedIds) gLookups[id].fetch_add(1);
  for (const PlatEmbeddedResource* r = kPlatEmbeddedResources; r->typeName;
       ++r) {
    if (r->id == id && strcmp(r->typeName, typeName) == 0) {
      if (bytes) *bytes = r->begin;
      if (size) *size = static_cast<uint32_t>(r->end - r->begin);
      return 1;
    }
  }
  return 0;
}

int PlatTestResourceLookups(int id) {
  return (id >= 0 && id < kTrackedIds) ? gLookups[id].load() : 0;
}
