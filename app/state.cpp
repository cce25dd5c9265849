#include "app/state.h"

uint32_t LocalAddressList[kLocalAddressSlots];
uint32_t SelectedLocalAddress;
std::atomic<uint32_t> UpgradeStage{kStageTarget};
uint32_t DeviceAddress;
char DeviceAddressText[kDeviceAddressTextSize];

namespace {
std::atomic<char> gTftpFileName[kTftpFileNameSize];
}

void SetTftpFileName(const char* name) {
  int i = 0;
  for (; i < kTftpFileNameSize - 1 && name[i]; ++i)
    gTftpFileName[i].store(name[i], std::memory_order_relaxed);
  gTftpFileName[i].store(0, std::memory_order_release);
}

void GetTftpFileName(char* out, int capacity) {
  if (capacity <= 0) return;
  int i = 0;
  for (; i < capacity - 1 && i < kTftpFileNameSize; ++i) {
    char c = gTftpFileName[i].load(std::memory_order_acquire);
    out[i] = c;
    if (!c) return;
  }
  out[i] = 0;
}
