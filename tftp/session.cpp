#include "tftp/session.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "resources/dialog_ids.h"
#include "tftp/verify.h"
#include "ui/dialogs.h"
#include "web/http.h"

namespace {

constexpr uint16_t kOpData = 3;
constexpr uint16_t kOpAck = 4;
constexpr uint16_t kOpOptionAck = 6;

void Put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>((v >> 8) & 0xff);
  p[1] = static_cast<unsigned char>(v & 0xff);
}

uint16_t Get16(const unsigned char* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void ShowAckProgress(PlatWindow dialog, const TftpSession* s) {
  if (!dialog) return;
  PlatProgressSetPos(dialog, kIdProgress, static_cast<int>(s->nextBlock));
  char caption[192];
  snprintf(
      caption, sizeof caption, "Uploading %s Firmware to DUX@%s %d/%d Bytes",
      UpgradeStage.load() == kStageTarget ? "Target" : "Transition",
      DeviceAddressText, s->bytesAcknowledged, static_cast<int>(s->imageSize));
  PlatSetWindowText(dialog, caption);
}

}  // namespace

void SendOptionAck(PlatSocket socket, unsigned char* packetBuffer,
                   const PlatSockAddrIn* peer, uint32_t imageSize) {
  Put16(packetBuffer, kOpOptionAck);
  int n = 2;
  memcpy(packetBuffer + n, "tsize", 6);
  n += 6;
  n += snprintf(reinterpret_cast<char*>(packetBuffer + n),
                static_cast<size_t>(kTftpBufferSize - n), "%u", imageSize);
  packetBuffer[n++] = 0;
  memcpy(packetBuffer + n, "timeout", 8);
  n += 8;
  packetBuffer[n++] = '5';
  packetBuffer[n++] = 0;
  PlatSendTo(socket, packetBuffer, n, peer);
}

void SendDataBlock(PlatSocket socket, unsigned char* packetBuffer,
                   const unsigned char* data, uint32_t dataSize,
                   uint32_t blockNumber, const PlatSockAddrIn* peer) {
  if (dataSize > static_cast<uint32_t>(kTftpBlockSize))
    dataSize = kTftpBlockSize;
  Put16(packetBuffer, kOpData);
  Put16(packetBuffer + 2, blockNumber & 0xffff);
  if (dataSize) memcpy(packetBuffer + 4, data, dataSize);
  PlatSendTo(socket, packetBuffer, static_cast<int>(4 + dataSize), peer);
}

int RunTftpTransfer(TftpSession* s, const unsigned char* image,
                    PlatWindow dialog) {
  if (dialog) {
    PlatProgressSetRange(dialog, kIdProgress, 0,
                         static_cast<uint16_t>(s->blockCount));
  }
  PlatSetNonBlocking(s->socket);
  PlatSockAddrIn peer = MakeSocketAddress(s->peerAddress, s->peerPort);
  SendOptionAck(s->socket, s->packetBuffer, &peer, s->imageSize);
  int idlePasses = 0;
  int expiries = 0;
  const unsigned char* data = image;
  for (;;) {
    PlatSockAddrIn from;
    int n = PlatRecvFrom(s->socket, s->packetBuffer, kTftpBufferSize, &from);
    bool idle = false;
    if (n <= 0) {
      if (dialog) PlatPumpOneMessage(dialog);
      idle = true;
    } else {
      uint32_t address = 0;
      uint16_t port = 0;
      SplitSocketAddress(&from, &address, &port);
      if (address != s->peerAddress || port != s->peerPort) {
        DebugTrace("Unknown source request in session: %x:%u", address, port);
        idle = true;
      } else if (n < 4 || Get16(s->packetBuffer) != kOpAck) {
        // Not an ACK (a repeated read request, an ERROR, a runt): dropped.
        idle = true;
      } else if (Get16(s->packetBuffer + 2) != s->nextBlock) {
        // A stale or future ACK: dropped without counting as silence.
        continue;
      } else {
        s->nextBlock += 1;
        s->bytesAcknowledged += static_cast<int32_t>(s->currentBlockSize);
        idlePasses = 0;
        expiries = 0;
        ShowAckProgress(dialog, s);
        if (s->nextBlock > s->blockCount) {
          DebugTrace("All blocks ack'd\n");
          return kTransferComplete;
        }
        s->currentBlockSize = s->nextBlock == s->blockCount
                                  ? s->lastBlockSize
                                  : static_cast<uint32_t>(kTftpBlockSize);
        data = s->nextBlock == 1 ? image : data + kTftpBlockSize;
        SendDataBlock(s->socket, s->packetBuffer, data, s->currentBlockSize,
                      s->nextBlock, &peer);
        DebugTrace("Send block %d (%d)\n", s->nextBlock, s->currentBlockSize);
        continue;
      }
    }
    if (!idle) continue;
    // Idle pass: wait at most 1 ms until the socket is readable; the count
    // of passes, not a clock, decides when to repeat and when to give up.
    PlatWaitReadable(s->socket, 1);
    if (++idlePasses < kTftpIdlePassesPerRepeat) continue;
    if (++expiries >= kTftpExpiriesToGiveUp) {
      DebugTrace("Timeout for ack; upgrade failed\n");
      return kTransferIncomplete;
    }
    if (s->nextBlock != 0) {
      DebugTrace("ReSend block %d\n", s->nextBlock);
      SendDataBlock(s->socket, s->packetBuffer, data, s->currentBlockSize,
                    s->nextBlock, &peer);
    } else {
      DebugTrace("ReSend option ack\n");
      SendOptionAck(s->socket, s->packetBuffer, &peer, s->imageSize);
    }
    idlePasses = 0;
  }
}

int RunTftpSession(PlatSocket socket, uint32_t localAddress,
                   uint32_t peerAddress, uint16_t peerPort) {
  TftpSession* s = new (std::nothrow) TftpSession();
  if (!s) {
    ReportError("Upgrade Failed: Can't malloc for TFTP session");
    EndProcess();
  }
  s->socket = socket;
  s->localAddress = localAddress;
  s->peerAddress = peerAddress;
  s->peerPort = peerPort;
  s->nextBlock = 0;
  s->bytesAcknowledged = 0;
  const FirmwareImage* image = CurrentStageImage();
  s->imageSize = image->size;
  s->blockCount = s->imageSize / kTftpBlockSize + 1;
  s->lastBlockSize = s->imageSize % kTftpBlockSize;
  DebugTrace("++++size %d, %d, %d\n", s->imageSize, s->lastBlockSize,
             s->blockCount);
  PlatWindow dialog =
      PlatCreateDialog(gInstance, kDlgUpload, nullptr, AbortOnlyDialogProc, 0);
  PlatShowWindow(dialog);
  int outcome = RunTftpTransfer(s, image->bytes, dialog);
  WaitForFlash(dialog);
  VerifyUpgrade(outcome, s->localAddress, s->peerAddress);
  delete s;
  return 0;
}
