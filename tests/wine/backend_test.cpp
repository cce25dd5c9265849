// The Windows backend on the real system calls: threads and their exit
// codes, datagrams, waiting for input, sleep lengths, and the dialogs that
// the resource script made from the dialog table.

// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_template.h"
#include "platform/frontend.h"
#include "platform/net.h"
#include "platform/thread.h"

namespace {

uint32_t ReturnArgument(void* argument) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument));
}

// Polls until the thread has ended, at most 5 s.
bool WaitEnded(PlatThread t, uint32_t* code) {
  for (int i = 0; i < 5000; ++i) {
    if (PlatThreadHasEnded(t, code)) return true;
    PlatSleep(1);
  }
  return false;
}

TEST(Win32Threads, EveryExitCodeIsReportedOnceTheThreadHasEnded) {
  // 259 is the code that GetExitCodeThread also gives for a running thread.
  for (uint32_t expected : {0u, 1u, 259u, 0xffffffffu}) {
    PlatThread t = PlatStartThread(
        ReturnArgument, reinterpret_cast<void*>(uintptr_t{expected}));
    ASSERT_NE(t, nullptr);
    uint32_t code = 12345;
    ASSERT_TRUE(WaitEnded(t, &code)) << expected;
    EXPECT_EQ(code, expected);
    EXPECT_EQ(PlatIsMainThread(), 1);
  }
}

std::atomic<int> gRelease{0};
std::atomic<int> gWasMain{-1};

uint32_t WaitForRelease(void*) {
  gWasMain.store(PlatIsMainThread());
  for (int i = 0; i < 10000 && !gRelease.load(); ++i) PlatSleep(1);
  return 259;
}

TEST(Win32Threads, RunningThreadHasNotEnded) {
  gRelease.store(0);
  PlatThread t = PlatStartThread(WaitForRelease, nullptr);
  ASSERT_NE(t, nullptr);
  uint32_t code = 7;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(PlatThreadHasEnded(t, &code), 0);
    PlatSleep(1);
  }
  EXPECT_EQ(code, 7u);
  gRelease.store(1);
  ASSERT_TRUE(WaitEnded(t, &code));
  EXPECT_EQ(code, 259u);
  EXPECT_EQ(gWasMain.load(), 0);
}

TEST(Win32Clock, SleepsKeepTheirLength) {
  for (uint32_t nominal : {1u, 12u, 32u}) {
    const int rounds = 10;
    uint32_t start = PlatMilliseconds();
    for (int i = 0; i < rounds; ++i) PlatSleep(nominal);
    uint32_t mean = (PlatMilliseconds() - start) / rounds;
    EXPECT_GE(mean + 1, nominal) << nominal;  // the counter ticks in 1 ms
    EXPECT_LE(mean, nominal + 8) << nominal;
  }
}

class Win32Sockets : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PlatNetStartup(1, 1), 0);
    receiver_ = PlatOpenUdpSocket();
    sender_ = PlatOpenUdpSocket();
    ASSERT_NE(receiver_, kPlatInvalidSocket);
    ASSERT_NE(sender_, kPlatInvalidSocket);
    PlatSockAddrIn any = {kPlatAfInet, 0, PlatHostToNet32(0x7f000001)};
    ASSERT_EQ(PlatBind(receiver_, &any), 0);
    sockaddr_in bound;
    int len = sizeof bound;
    ASSERT_EQ(getsockname(static_cast<SOCKET>(receiver_),
                          reinterpret_cast<sockaddr*>(&bound), &len),
              0);
    to_ = {kPlatAfInet, bound.sin_port, bound.sin_addr.s_addr};
    ASSERT_EQ(PlatSetNonBlocking(receiver_), 0);
  }
  void TearDown() override {
    PlatCloseSocket(receiver_);
    PlatCloseSocket(sender_);
  }
  PlatSocket receiver_ = kPlatInvalidSocket, sender_ = kPlatInvalidSocket;
  PlatSockAddrIn to_{};
};

TEST_F(Win32Sockets, DatagramLongerThanTheBufferIsRefusedWhole) {
  struct Case {
    int sent, capacity, expected;
  } cases[] = {{1, 516, 1}, {516, 516, 516}, {517, 516, -1}, {600, 4, -1}};
  for (const Case& c : cases) {
    std::vector<char> out(c.sent, 'x'), in(c.capacity);
    ASSERT_EQ(PlatSendTo(sender_, out.data(), c.sent, &to_), c.sent);
    ASSERT_EQ(PlatWaitReadable(receiver_, 2000), 1);
    PlatSockAddrIn from{};
    EXPECT_EQ(PlatRecvFrom(receiver_, in.data(), c.capacity, &from), c.expected)
        << c.sent << " into " << c.capacity;
    if (c.expected > 0) {
      EXPECT_EQ(from.family, kPlatAfInet);
      EXPECT_EQ(PlatNetToHost32(from.address), 0x7f000001u);
    }
    // Nothing of it is left behind.
    EXPECT_EQ(PlatRecvFrom(receiver_, in.data(), c.capacity, &from), -1);
  }
}

TEST_F(Win32Sockets, WaitReadableTimesOutAndSeesADatagram) {
  uint32_t start = PlatMilliseconds();
  EXPECT_EQ(PlatWaitReadable(receiver_, 1), 0);
  EXPECT_EQ(PlatWaitReadable(receiver_, 50), 0);
  uint32_t waited = PlatMilliseconds() - start;
  EXPECT_GE(waited, 49u);
  EXPECT_LT(waited, 1000u);
  ASSERT_EQ(PlatSendTo(sender_, "ab", 2, &to_), 2);
  EXPECT_EQ(PlatWaitReadable(receiver_, 2000), 1);
}

uint32_t ConnectAndReadAll(void* port) {
  PlatSocket s = PlatOpenTcpSocket();
  uint16_t p = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(port));
  PlatSockAddrIn local = {kPlatAfInet, 0, PlatHostToNet32(0x7f000001)};
  PlatSockAddrIn remote = {kPlatAfInet, p, PlatHostToNet32(0x7f000001)};
  if (PlatBind(s, &local) != 0 || PlatConnect(s, &remote) != 0) return 0;
  char buffer[4096];
  uint32_t total = 0;
  for (;;) {
    int n = PlatRecv(s, buffer, sizeof buffer);
    if (n <= 0) break;
    total += static_cast<uint32_t>(n);
  }
  PlatCloseSocket(s);
  return total;
}

// A blocking reader on a worker thread sees the data and then the peer's
// close, as the HTTP exchange relies on.
TEST(Win32Tcp, BlockingReceiveEndsWhenThePeerCloses) {
  ASSERT_EQ(PlatNetStartup(1, 1), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(0x7f000001);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  int len = sizeof a;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  PlatThread reader = PlatStartThread(
      ConnectAndReadAll, reinterpret_cast<void*>(uintptr_t{a.sin_port}));
  SOCKET peer = accept(listener, nullptr, nullptr);
  ASSERT_NE(peer, INVALID_SOCKET);
  std::string reply(3000, 'r');
  ASSERT_EQ(send(peer, reply.data(), static_cast<int>(reply.size()), 0),
            static_cast<int>(reply.size()));
  closesocket(peer);
  closesocket(listener);
  uint32_t received = 0;
  ASSERT_TRUE(WaitEnded(reader, &received));
  EXPECT_EQ(received, reply.size());
}

// --- dialogs ----------------------------------------------------------------

struct ProcRecord {
  int inits = 0;
  intptr_t initParam = 0;
  std::vector<int> commands;
};
ProcRecord gRecord;

intptr_t RecordingProc(PlatWindow, uint32_t message, uintptr_t wparam,
                       intptr_t lparam) {
  if (message == kPlatMsgInitDialog) {
    ++gRecord.inits;
    gRecord.initParam = lparam;
    return 1;
  }
  if (message == kPlatMsgCommand) {
    gRecord.commands.push_back(static_cast<int>(wparam & 0xffff));
    return 1;
  }
  return 0;
}

std::string ClassOf(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof name);
  return name;
}

const char* ClassOfKind(PlatControlKind kind) {
  switch (kind) {
    case kCtlPushButton:
    case kCtlDefaultButton:
      return "Button";
    case kCtlLabel:
    case kCtlIcon:
      return "Static";
    case kCtlAddress:
      return "SysIPAddress32";
    case kCtlDropDownList:
      return "ComboBox";
    case kCtlProgressBar:
      return "msctls_progress32";
    default:
      return "Edit";
  }
}

// Every template of the dialog table exists as a resource with the same
// controls: their classes, styles and positions in dialog units.
TEST(Win32Dialogs, ResourceTemplatesMatchTheDialogTable) {
  ASSERT_EQ(PlatInitCommonControls(kPlatIccProgress | kPlatIccInternet), 1);
  const PlatDialogTemplate* const* list = nullptr;
  int count = ListDialogTemplates(&list);
  ASSERT_EQ(count, 11);
  for (int i = 0; i < count; ++i) {
    const PlatDialogTemplate& d = *list[i];
    gRecord = ProcRecord();
    PlatWindow w = PlatCreateDialog(PlatDefaultInstance(), d.id, nullptr,
                                    RecordingProc, 1000 + d.id);
    ASSERT_NE(w, nullptr) << d.id;
    HWND h = reinterpret_cast<HWND>(w);
    EXPECT_EQ(gRecord.inits, 1);
    EXPECT_EQ(gRecord.initParam, 1000 + d.id);
    char caption[128];
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, d.caption) << d.id;
    LONG style = GetWindowLongA(h, GWL_STYLE);
    for (LONG bit : {LONG(WS_POPUP), LONG(WS_CAPTION), LONG(WS_SYSMENU),
                     LONG(DS_MODALFRAME)})
      EXPECT_EQ(style & bit, bit) << d.id;

    // The controls in creation order are the table's rows in order.
    HWND c = GetWindow(h, GW_CHILD);
    for (int k = 0; k < d.controlCount; ++k, c = GetWindow(c, GW_HWNDNEXT)) {
      const PlatControlTemplate& t = d.controls[k];
      ASSERT_NE(c, nullptr) << d.id << " row " << k;
      EXPECT_EQ(GetDlgCtrlID(c), t.id) << d.id << " row " << k;
      EXPECT_STREQ(ClassOf(c).c_str(), ClassOfKind(t.kind))
          << d.id << " row " << k;
      LONG cs = GetWindowLongA(c, GWL_STYLE);
      EXPECT_EQ((cs & WS_TABSTOP) != 0, (t.flags & kCtlTabStop) != 0)
          << d.id << " row " << k;
      if (t.kind == kCtlDefaultButton) {
        EXPECT_EQ(cs & 0xf, BS_DEFPUSHBUTTON) << d.id << " row " << k;
      }
      if (t.kind == kCtlTextArea) {
        EXPECT_EQ(cs & (ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL),
                  ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL);
        EXPECT_EQ(cs & (WS_VSCROLL | WS_HSCROLL | WS_BORDER), 0);
      }
      if (t.kind == kCtlPasswordBox) {
        EXPECT_NE(cs & ES_PASSWORD, 0);
      }
      if (t.kind == kCtlIcon) {
        EXPECT_EQ(cs & SS_TYPEMASK, SS_ICON);
      }
      if (t.kind == kCtlDropDownList) {
        EXPECT_EQ(cs & 3, CBS_DROPDOWNLIST) << d.id;
      }
      // The dialog manager converts the origin and the size, each from
      // dialog units to pixels.
      RECT expected = {t.x, t.y, t.width, t.height};
      MapDialogRect(h, &expected);
      RECT actual;
      GetWindowRect(c, &actual);
      MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left) << d.id << " row " << k;
      EXPECT_EQ(actual.top, expected.top) << d.id << " row " << k;
      // An icon control takes the size of its icon; a drop-down list's own
      // height is its closed height.
      if (t.kind == kCtlIcon) continue;
      EXPECT_EQ(actual.right - actual.left, expected.right)
          << d.id << " row " << k;
      if (t.kind != kCtlDropDownList) {
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom)
            << d.id << " row " << k;
      }
    }
    EXPECT_EQ(c, nullptr) << d.id << ": more controls than the table";
    EXPECT_EQ(PlatDestroyWindow(w), 1);
  }
}

TEST(Win32Dialogs, TextsListsAndCommandsReachTheProcedure) {
  gRecord = ProcRecord();
  PlatWindow w =
      PlatCreateDialog(PlatDefaultInstance(), 101, nullptr, RecordingProc, 0);
  ASSERT_NE(w, nullptr);
  PlatShowWindow(w);
  EXPECT_EQ(PlatSetWindowText(w, "caption"), 1);
  EXPECT_EQ(PlatSetItemText(w, 1015, "Version 1.2.3"), 1);
  char text[8];
  EXPECT_EQ(PlatGetItemText(w, 1015, text, sizeof text), 7u);
  EXPECT_STREQ(text, "Version");

  EXPECT_EQ(PlatListGetSelection(w, 1017), -1);
  const char* entries[] = {"10.0.0.1", "192.168.1.2", "127.0.0.1"};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(PlatListAddString(w, 1017, entries[i]), i);
  EXPECT_EQ(PlatListSetSelection(w, 1017, 2), 2);
  EXPECT_EQ(PlatListGetSelection(w, 1017), 2);

  // The close box and the buttons arrive as commands of their ids (after
  // the edit control's own notifications of the text set above).
  gRecord.commands.clear();
  PostMessageA(reinterpret_cast<HWND>(w), WM_SYSCOMMAND, SC_CLOSE, 0);
  SendMessageA(reinterpret_cast<HWND>(w), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
               0);
  PlatPumpAllMessages(w);
  EXPECT_EQ(PlatPumpOneMessage(w), 0);
  EXPECT_EQ(gRecord.commands, (std::vector<int>{1, 2}));

  PlatRect r;
  ASSERT_EQ(PlatGetWindowRect(w, &r), 1);
  EXPECT_EQ(PlatMoveWindowToTop(w, -7, 5), 1);
  PlatRect moved;
  ASSERT_EQ(PlatGetWindowRect(w, &moved), 1);
  EXPECT_EQ(moved.left, -7);
  EXPECT_EQ(moved.top, 5);
  EXPECT_EQ(moved.right - moved.left, r.right - r.left);
  EXPECT_EQ(moved.bottom - moved.top, r.bottom - r.top);
  EXPECT_EQ(PlatDestroyWindow(w), 1);
  EXPECT_EQ(PlatDestroyWindow(w), 0);
}

}  // namespace
