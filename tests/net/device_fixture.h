// A whole wizard in the test process against the simulated device, in the
// test's private network namespace: the device at 127.0.0.2, this host at
// 127.0.0.1.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/subprocess.h"

constexpr uint32_t kHostAddress = 0x7F000001;    // 127.0.0.1
constexpr uint32_t kDeviceAddress = 0x7F000002;  // 127.0.0.2

class DeviceTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts duxsim on 127.0.0.2:80 with these extra options and waits until
  // its web server answers.
  void StartDevice(const std::vector<std::string>& options);
  void StopDevice();
  // The device's event lines (see duxsim --events).
  std::vector<std::string> Events();
  std::vector<std::string> EventsStartingWith(const std::string& prefix);
  // Puts the wizard's process-wide state where the address dialog leaves it.
  void PrepareWizardState();

  std::string dir_;
  std::string eventsPath_;
  std::string savePath_;
  Subprocess device_;
};

// Record lines of the scripted frontend that begin with `prefix`.
int CountLines(const std::string& prefix);

// Byte-for-byte equality, reported as sizes and the first differing offset.
testing::AssertionResult SameBytes(const std::string& got,
                                   const std::string& want);

inline bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}
