// The TFTP transfer session: serves one accepted read request, then runs the
// flash wait and the verification.
#pragma once

#include <cstdint>

#include "platform/dialog.h"
#include "platform/net.h"
#include "tftp/listener.h"

struct TftpSession {
  PlatSocket socket;  // the listener's, borrowed
  uint32_t localAddress;
  uint32_t peerAddress;
  uint16_t peerPort;
  unsigned char packetBuffer[kTftpBufferSize];
  uint32_t nextBlock;  // 0: the option acknowledgement is awaited
  uint32_t imageSize;
  uint32_t blockCount;
  uint32_t lastBlockSize;
  int32_t bytesAcknowledged;
  uint32_t currentBlockSize;
};

constexpr int kTftpBlockSize = 512;
constexpr int kTftpIdlePassesPerRepeat = 100;
constexpr int kTftpExpiriesToGiveUp = 30;
constexpr int kTransferComplete = 0;
constexpr int kTransferIncomplete = 1;

// Serves the image of the current stage to peer address:port from the
// listener's socket, then waits for the flash and verifies. Returns 0.
int RunTftpSession(PlatSocket socket, uint32_t localAddress,
                   uint32_t peerAddress, uint16_t peerPort);

// The transfer alone, on a prepared session, with `dialog` as the upload
// dialog (null for none); returns kTransferComplete or kTransferIncomplete.
int RunTftpTransfer(TftpSession* session, const unsigned char* image,
                    PlatWindow dialog);

void SendOptionAck(PlatSocket socket, unsigned char* packetBuffer,
                   const PlatSockAddrIn* peer, uint32_t imageSize);
void SendDataBlock(PlatSocket socket, unsigned char* packetBuffer,
                   const unsigned char* data, uint32_t dataSize,
                   uint32_t blockNumber, const PlatSockAddrIn* peer);
