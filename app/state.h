// Process-wide values of the wizard shared between its parts.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int kLocalAddressSlots = 8;

// This host's IPv4 addresses (host byte order) from slot 0 without gaps; a 0
// slot is empty and ends the list.
extern uint32_t LocalAddressList[kLocalAddressSlots];
// The local address that faces the device; 0 = any.
extern uint32_t SelectedLocalAddress;

// 0 = transition, 1 = target. Written only by the TFTP listener thread,
// polled by the main thread.
constexpr uint32_t kStageTransition = 0;
constexpr uint32_t kStageTarget = 1;
extern std::atomic<uint32_t> UpgradeStage;

// The device's address (host byte order, 0 = not set) and as typed.
extern uint32_t DeviceAddress;
constexpr int kDeviceAddressTextSize = 32;
extern char DeviceAddressText[kDeviceAddressTextSize];

// The file name the device must ask for ("/dux%x.bi%d"). Rewritten by the
// main thread in a transition build while the listener thread runs, so every
// access goes through these two functions, which move it one atomic
// character at a time.
constexpr int kTftpFileNameSize = 16;
void SetTftpFileName(const char* name);
void GetTftpFileName(char* out, int capacity);
