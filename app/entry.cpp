#include "app/entry.h"

#include <cstdlib>
#include <cstring>

#include "app/frame.h"
#include "app/state.h"
#include "app/wizard.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "platform/net.h"
#include "platform/thread.h"
#include "web/digest.h"

void FillLocalAddressList(const uint32_t* hostAddresses) {
  for (int i = 0; i < kLocalAddressSlots; ++i) LocalAddressList[i] = 0;
  for (int i = 0; hostAddresses && i < kLocalAddressSlots; ++i) {
    if (hostAddresses[i] == 0) break;
    LocalAddressList[i] = hostAddresses[i];
  }
  SelectedLocalAddress = LocalAddressList[0];
}

void StartUp(void) {
  if (PlatNetStartup(1, 1) != 0) {
    ReportError("Upgrade Failed: Winsock init error");
    EndProcess();
  }
  FillLocalAddressList(PlatLookupHostAddresses());
  memset(&gDigestState, 0, sizeof gDigestState);
  srand(PlatMilliseconds());
  PlatInitCommonControls(kPlatIccProgress | kPlatIccInternet);
  UpgradeStage.store(kBuildInitialStage);
  LoadFirmwareImages(kBuildInitialStage);
  IdentifyProduct(gTargetImage.header, &gProductProfile);
}

int ProgramEntry(PlatInstance instance) {
  if (!PlatRegisterWindowClass(instance, "DuxUpgrade")) return 0;
  gInstance = instance;
  StartUp();
  RunWizard();
  return 0;
}
