// The firmware images that travel inside the executable.
#pragma once

#include <cstdint>

constexpr int kImageHeaderSize = 128;
constexpr int kImageVersionOffset = 92;
constexpr int kTargetImageId = 726;
constexpr int kTransitionImageId = 319;
constexpr const char* kFirmwareResourceType = "DUX_FIRMWARE";

struct FirmwareImage {
  const unsigned char* bytes;  // the whole image, never copied
  uint32_t size;
  // A copy of the first 128 bytes, and a NUL behind it so that a version
  // text is never read beyond the copy.
  unsigned char header[kImageHeaderSize + 1];
};

extern FirmwareImage gTargetImage;
extern FirmwareImage gTransitionImage;

// Build setting, from the embedded resources: 0 when the build carries a
// transition image (it starts in the transition stage), 1 otherwise.
extern const uint32_t kBuildInitialStage;

// Loads the target image and, when the stage starts as transition, the
// transition image. A missing image ends the process with a clear message.
void LoadFirmwareImages(uint32_t initialStage);

// The NUL-terminated version text at header offset 92.
const char* ImageVersionText(const FirmwareImage* image);

// The image of the current stage: what the TFTP session sends.
const FirmwareImage* CurrentStageImage(void);
