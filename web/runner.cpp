#include "web/runner.h"

#include "app/frame.h"
#include "platform/thread.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs.h"
#include "web/digest.h"
#include "web/http.h"

DeviceRequest MakeDeviceRequest(uint32_t localAddress, uint32_t remoteAddress,
                                const char* path) {
  DeviceRequest r;
  r.instance = gInstance;
  r.localAddress = localAddress;
  r.localPort = 23456;
  r.remoteAddress = remoteAddress;
  r.remotePort = 80;
  r.path = path;
  r.buffer = ResponseBuffer;
  r.capacity = kResponseCapacity;
  return r;
}

uint32_t DeviceRequestWorker(void* request) {
  const DeviceRequest* r = static_cast<const DeviceRequest*>(request);
  int32_t result =
      DeviceHttpGet(r->localAddress, r->localPort, r->remoteAddress,
                    r->remotePort, r->path, r->buffer, r->capacity);
  return static_cast<uint32_t>(result);
}

int32_t RunDeviceRequest(DeviceRequest request) {
  int barPosition = 0;
  int passCount = 0;
  int immediateRetry = 0;
  for (;;) {
    DeviceRequest copy = request;
    PlatWindow dialog = PlatCreateDialog(request.instance, kDlgConnecting,
                                         nullptr, ConnectingDialogProc, 0);
    PlatShowWindow(dialog);
    PlatThread worker = PlatStartThread(DeviceRequestWorker, &copy);
    if (!worker) {
      // Without a worker the wait below could never end.
      ReportError("Upgrade Failed: Can't start HTTP request");
      EndProcess();
    }
    int32_t result;
    for (;;) {
      uint32_t exitCode = 0;
      // The layer reports the end of the thread itself, so an exit code that
      // equals a platform's "still active" value ends the wait too.
      if (PlatThreadHasEnded(worker, &exitCode)) {
        result = static_cast<int32_t>(exitCode);
        break;
      }
      PlatPumpOneMessage(dialog);
      PlatSleep(1);
      if (++passCount == 10) {
        PlatProgressSetPos(dialog, kIdProgress, barPosition);
        if (++barPosition > 100) barPosition = 0;
        passCount = 0;
      }
    }
    PlatDestroyWindow(dialog);
    if (result >= 0) return result;
    // A usable Digest challenge is now held in the Digest state.
    if (gDigestState.password[0] != 0 && gDigestState.nonceCount == 0 &&
        immediateRetry == 0) {
      immediateRetry = 1;
      continue;
    }
    if (PlatDialogBox(request.instance, kDlgPassword, nullptr,
                      PasswordDialogProc, 0) == 0) {
      ReportError("Upgrade Failed: User Abort");
      EndProcess();
    }
    immediateRetry = 0;
  }
}
