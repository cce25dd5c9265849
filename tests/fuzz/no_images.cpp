// The fuzz targets bring their own image bytes; the executables embed none.
#include <cstdint>

#include "platform/posix/embedded.h"

const PlatEmbeddedResource kPlatEmbeddedResources[] = {
    {nullptr, 0, nullptr, nullptr},
};
extern const uint32_t kBuildInitialStage = 1;
