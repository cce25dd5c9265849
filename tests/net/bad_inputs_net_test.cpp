// Hostile devices and hosts on the network: a web server that never stops
// talking, and a stream of junk datagrams at the TFTP listener from foreign
// addresses and ports while the device upgrades.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/state.h"
#include "app/wizard.h"
#include "firmware/firmware.h"
#include "platform/thread.h"
#include "tests/net/device_fixture.h"
#include "tests/net/upgrade_support.h"
#include "web/http.h"

namespace {

using BadInputsNet = DeviceTest;

int ListenOn(uint32_t address, uint16_t port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(address);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(s, 4) != 0) {
    close(s);
    return -1;
  }
  return s;
}

// A status page whose labels come first, then filler that goes on until the
// wizard hangs up (at most 64 MB), with one more label far beyond the
// buffer: the exchange keeps the first capacity bytes, ends them with a NUL,
// scrapes what lies inside them and returns.
TEST_F(BadInputsNet, DeviceThatAnswersForeverFillsTheBufferAndStops) {
  int listener = ListenOn(kDeviceAddress, 80);
  ASSERT_GE(listener, 0);
  std::thread device([listener] {
    int c = accept(listener, nullptr, nullptr);
    if (c < 0) return;
    std::string head =
        "HTTP/1.1 200 OK\r\n\r\n<td>Product Name:</td><td>DUXT6eM</td>"
        "<td>Software Version:</td><td>" +
        std::string(200, '7') + "</td>";
    std::string filler(65536, '.');
    std::string tail = "<td>Serial Number:</td><td>beyond</td>";
    ssize_t sent = send(c, head.data(), head.size(), MSG_NOSIGNAL);
    for (int i = 0; i < 1024 && sent > 0; ++i) {
      const std::string& chunk = i == 3 ? tail : filler;
      sent = send(c, chunk.data(), chunk.size(), MSG_NOSIGNAL);
    }
    close(c);
  });
  strcpy(gDeviceInfo.serialNumber, "before");
  memset(ResponseBuffer, 'X', sizeof ResponseBuffer);
  int32_t n =
      DeviceHttpGet(kHostAddress, 23456, kDeviceAddress, 80, "/admin/advanced",
                    ResponseBuffer, kResponseCapacity);
  device.join();
  close(listener);
  EXPECT_EQ(n, kResponseCapacity);
  EXPECT_EQ(ResponseBuffer[kResponseCapacity], '\0');
  EXPECT_STREQ(gDeviceInfo.productName, "DUXT6eM");
  EXPECT_EQ(std::string(gDeviceInfo.softwareVersion), std::string(127, '7'));
  EXPECT_STREQ(gDeviceInfo.serialNumber, "before");
}

// Junk sent to the listener's port from a foreign port and a foreign
// address, every few milliseconds while the wizard waits and while it
// serves the device: datagrams of 0 to 1,500 bytes, every opcode, and read
// requests for the expected name without its NUL and in another letter case.
// None of them is served, and the device gets its image byte for byte.
TEST_F(BadInputsNet, JunkAtTheListenerDoesNotDisturbTheUpgrade) {
  StartDevice({"--flash-time", "200", "--tftp-delay", "300"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        std::thread([] {
          int fromPort = socket(AF_INET, SOCK_DGRAM, 0);
          int fromAddress = socket(AF_INET, SOCK_DGRAM, 0);
          sockaddr_in a{};
          a.sin_family = AF_INET;
          a.sin_addr.s_addr = htonl(0x7F000003);
          bind(fromAddress, reinterpret_cast<sockaddr*>(&a), sizeof a);
          sockaddr_in to{};
          to.sin_family = AF_INET;
          to.sin_port = htons(69);
          to.sin_addr.s_addr = htonl(kHostAddress);
          std::vector<std::string> junk;
          for (size_t n : {0, 1, 3, 4, 516, 1024, 1025, 1500})
            junk.push_back(std::string(n, '\3'));
          for (char op = 0; op < 10; ++op)
            junk.push_back(std::string("\0", 1) + op + std::string("\0\1", 2));
          // Bounded: 3,000 rounds of a few milliseconds.
          for (int round = 0; round < 3000; ++round) {
            char name[kTftpFileNameSize];
            GetTftpFileName(name, sizeof name);
            std::string upper = name;
            for (char& ch : upper) ch = static_cast<char>(toupper(ch));
            std::vector<std::string> all = junk;
            all.push_back(std::string("\0\1", 2) + name);  // no NUL
            all.push_back(std::string("\0\1", 2) + upper +
                          std::string("\0octet\0", 7));
            for (const std::string& d : all) {
              int s = round % 2 ? fromPort : fromAddress;
              sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to),
                     sizeof to);
            }
            usleep(2000);
          }
        }).detach();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "open 113 DUX@127.0.0.2 Upgrade Successful!\n.*boxes=0\n$");
  StopDevice();
  EXPECT_EQ(ReadWholeFile(savePath_),
            std::string(reinterpret_cast<const char*>(gTargetImage.bytes),
                        gTargetImage.size));
}

}  // namespace
