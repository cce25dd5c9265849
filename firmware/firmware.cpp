#include "firmware/firmware.h"

#include <cstring>

#include "app/frame.h"
#include "app/state.h"
#include "platform/resource.h"

FirmwareImage gTargetImage;
FirmwareImage gTransitionImage;

namespace {

void LoadImage(int id, FirmwareImage* image) {
  const unsigned char* bytes = nullptr;
  uint32_t size = 0;
  // The build guarantees both; a broken build still ends with a clear word
  // instead of reading a header that is not there.
  if (!PlatFindResource(kFirmwareResourceType, id, &bytes, &size) ||
      size < static_cast<uint32_t>(kImageHeaderSize)) {
    ReportError("Upgrade Failed: Firmware image missing from this program");
    EndProcess();
  }
  image->bytes = bytes;
  image->size = size;
  memcpy(image->header, bytes, kImageHeaderSize);
  image->header[kImageHeaderSize] = 0;
}

}  // namespace

void LoadFirmwareImages(uint32_t initialStage) {
  LoadImage(kTargetImageId, &gTargetImage);
  if (initialStage == kStageTransition)
    LoadImage(kTransitionImageId, &gTransitionImage);
}

const char* ImageVersionText(const FirmwareImage* image) {
  return reinterpret_cast<const char*>(image->header + kImageVersionOffset);
}

const FirmwareImage* CurrentStageImage(void) {
  return UpgradeStage.load() == kStageTarget ? &gTargetImage
                                             : &gTransitionImage;
}
