#include "tftp/listener.h"

#include <cstring>
#include <new>

#include "app/frame.h"
#include "app/state.h"
#include "platform/thread.h"
#include "resources/dialog_ids.h"
#include "tftp/session.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "web/http.h"

namespace {

constexpr int kBarRange = 1000;
// The longest wait of one idle pass for a datagram. The bar steps once per
// elapsed millisecond, as it would with a pass per millisecond, while the
// thread wakes about sixty times a second instead of a thousand; Cancel is
// still taken within this time.
constexpr int kIdleWaitMs = 16;
constexpr uint16_t kOpReadRequest = 1;

PlatWindow OpenWaitingDialog(void) {
  PlatWindow dialog =
      PlatCreateDialog(gInstance, kDlgWaiting, nullptr, AbortOnlyDialogProc, 0);
  PlatShowWindow(dialog);
  PlatProgressSetRange(dialog, kIdProgress, 0, kBarRange);
  PlatProgressSetPos(dialog, kIdProgress, 0);
  // Shown again when the dialog reopens for the target image, so that the
  // user reads the same advice while the device takes its second image.
  PlatSetItemText(dialog, kIdWaitingText, kWaitingHelpText);
  return dialog;
}

uint16_t Opcode(const unsigned char* d) {
  return static_cast<uint16_t>((d[0] << 8) | d[1]);
}

}  // namespace

int IsExpectedReadRequest(const unsigned char* datagram, int length,
                          const char* expectedName) {
  if (length < 3 || Opcode(datagram) != kOpReadRequest) return 0;
  // The name must end inside the bytes received; nothing beyond them is read.
  const void* end = memchr(datagram + 2, 0, static_cast<size_t>(length - 2));
  if (!end) return 0;
  return strcmp(reinterpret_cast<const char*>(datagram + 2), expectedName) == 0
             ? 1
             : 0;
}

uint16_t StartTftpListener(uint32_t localAddress) {
  TftpListener* listener = new (std::nothrow) TftpListener();
  if (!listener) {
    ReportError("Upgrade Failed: Can't malloc for TFTP listener");
    EndProcess();
  }
  listener->socket = PlatOpenUdpSocket();
  if (listener->socket == kPlatInvalidSocket) {
    ReportError("Upgrade Failed: Can't create TFTP listener socket");
    EndProcess();
  }
  int32_t port = BindFirstFreePort(listener->socket, localAddress,
                                   kFirstTftpPort, kTftpPortAttempts);
  if (port < 0) {
    ReportError("Upgrade Failed: Can't bind TFTP listener socket");
    EndProcess();
  }
  listener->localAddress = localAddress;
  listener->port = static_cast<uint16_t>(port);
  if (!PlatStartThread(RunTftpListener, listener)) {
    ReportError("Upgrade Failed: Can't start TFTP listener");
    EndProcess();
  }
  return listener->port;
}

uint32_t RunTftpListener(void* p) {
  TftpListener* listener = static_cast<TftpListener*>(p);
  PlatWindow dialog = OpenWaitingDialog();
  PlatSetNonBlocking(listener->socket);
  int bar = 0;
  uint32_t lastPass = PlatMilliseconds();
  // The name of an image already served: a late repeat of its read request
  // must not fetch the next stage's image under the old name.
  char servedName[kTftpFileNameSize] = "";
  for (;;) {
    PlatSockAddrIn from;
    int n = PlatRecvFrom(listener->socket, listener->receiveBuffer,
                         kTftpBufferSize, &from);
    if (n <= 0) {
      // Idle pass: wait for a datagram rather than sleeping blindly, so a
      // request is taken as soon as it arrives.
      PlatWaitReadable(listener->socket, kIdleWaitMs);
      uint32_t now = PlatMilliseconds();
      uint32_t steps = now - lastPass;
      lastPass = now;
      bar = static_cast<int>(
          (static_cast<uint32_t>(bar) + (steps == 0 ? 1 : steps % kBarRange)) %
          kBarRange);
      PlatProgressSetPos(dialog, kIdProgress, bar);
      PlatPumpAllMessages(dialog);
      continue;
    }
    if (n < 2) continue;
    switch (Opcode(listener->receiveBuffer)) {
      case 1:
        break;
      case 2:
        DebugTrace("TFTP Rx WRQ?\n");
        continue;
      case 3:
        DebugTrace("TFTP Rx Data?\n");
        continue;
      case 4:
        DebugTrace("TFTP Rx ACK?\n");
        continue;
      case 5:
        DebugTrace("TFTP Rx Error?\n");
        continue;
      default:
        continue;
    }
    uint32_t peerAddress = 0;
    uint16_t peerPort = 0;
    SplitSocketAddress(&from, &peerAddress, &peerPort);
    char expected[kTftpFileNameSize];
    GetTftpFileName(expected, sizeof expected);
    if (!IsExpectedReadRequest(listener->receiveBuffer, n, expected) ||
        strcmp(expected, servedName) == 0) {
      DebugTrace("+++ Bad TFTP RRQ filename\n");
      continue;
    }
    DebugTrace("%s %s\n", expected, listener->receiveBuffer + 2);
    PlatDestroyWindow(dialog);
    RunTftpSession(listener->socket, listener->localAddress, peerAddress,
                   peerPort);
    if (UpgradeStage.load() == kStageTarget) {
      PlatCloseSocket(listener->socket);
      EndProcess();
    }
    memcpy(servedName, expected, sizeof servedName);
    UpgradeStage.store(kStageTarget);
    dialog = OpenWaitingDialog();
    bar = 0;
    lastPass = PlatMilliseconds();
  }
}
