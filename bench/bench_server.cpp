// dux-bench-server: the program's own TFTP listener and session, on the
// scripted frontend, serving the embedded image once to whoever asks for the
// given name. No dialog is drawn; the clock double makes the flash wait pass
// at once, and the re-query goes to an address where nothing answers. Prints
// the bound port on stdout, then serves; the process ends with the session.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "platform/frontend.h"
#include "platform/net.h"
#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "tftp/listener.h"
#include "web/digest.h"

int main(int argc, char** argv) {
  bool blind = argc == 3 && strcmp(argv[2], "--blind-sleep") == 0;
  if (argc < 2 || argc > 3 || argv[1][0] != '/' || (argc == 3 && !blind)) {
    fprintf(stderr, "usage: dux-bench-server /NAME [--blind-sleep]\n");
    return 2;
  }
  // A blind 1 ms sleep per idle pass instead of the wait for the socket.
  PlatTestSetBlindWait(blind ? 1 : 0);
  ScriptedInstall();
  PlatTestSetClockDouble(1000000, 0);
  PlatNetStartup(1, 1);
  gInstance = PlatDefaultInstance();
  memset(&gDigestState, 0, sizeof gDigestState);
  UpgradeStage.store(kStageTarget);
  LoadFirmwareImages(kStageTarget);
  IdentifyProduct(gTargetImage.header, &gProductProfile);
  strcpy(DeviceAddressText, "127.0.0.9");
  DeviceAddress = 0x7F000009;
  SetTftpFileName(argv[1]);
  uint16_t port = StartTftpListener(0x7F000001);
  printf("%u\n", port);
  fflush(stdout);
  // The clock double shortens every PlatSleep; wait for the end for real.
  for (;;) pause();
}
