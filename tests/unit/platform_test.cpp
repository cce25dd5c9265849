// The Linux platform layer: threads, the clock double and dialogs of
// several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dialog.h"
#include "platform/dialogs/engine.h"
#include "platform/frontend.h"
#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "platform/thread.h"
#include "resources/dialog_ids.h"

namespace {

std::atomic<int> gRelease{0};

uint32_t ReturnArgument(void* p) {
  while (!gRelease.load()) PlatSleep(1);
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// Every exit code ends the wait, the Windows still-active code 259 included.
TEST(PlatformThreads, EveryExitCodeIsReportedAsEnded) {
  for (uint32_t code : {0u, 1u, 259u, 0xFFFFFFFFu}) {
    gRelease.store(0);
    PlatThread t = PlatStartThread(
        ReturnArgument, reinterpret_cast<void*>(static_cast<uintptr_t>(code)));
    ASSERT_NE(t, nullptr);
    uint32_t exitCode = 12345;
    EXPECT_EQ(PlatThreadHasEnded(t, &exitCode), 0) << code;
    gRelease.store(1);
    int ended = 0;
    for (int i = 0; i < 5000 && !ended; ++i) {
      ended = PlatThreadHasEnded(t, &exitCode);
      if (!ended) PlatSleep(1);
    }
    ASSERT_EQ(ended, 1) << code;
    EXPECT_EQ(exitCode, code);
  }
}

TEST(PlatformClock, DoubleRunsFastAndCountsNominalSleeps) {
  PlatTestSetClockDouble(1000, 0xFFFFF000u);  // close to the 32-bit wrap
  uint64_t slept = PlatTestSleptMilliseconds();
  uint32_t start = PlatMilliseconds();
  PlatSleep(5000);  // five nominal seconds: about 5 ms of real time
  uint32_t elapsed = PlatMilliseconds() - start;  // wraps through 0
  PlatTestSetClockDouble(0, 0);
  EXPECT_GE(elapsed, 5000u);
  EXPECT_LT(elapsed, 600000u);
  EXPECT_EQ(PlatTestSleptMilliseconds() - slept, 5000u);
}

std::atomic<int> gCommands{0};
std::atomic<bool> gWrongThread{false};

intptr_t RecordingProc(PlatWindow d, uint32_t message, uintptr_t wparam,
                       intptr_t) {
  if (message != kPlatMsgCommand) return message == kPlatMsgInitDialog;
  if (wparam != kPlatIdCancel) return 0;
  // Each procedure runs on the thread that created its dialog.
  if (std::this_thread::get_id() != d->thread) gWrongThread.store(true);
  gCommands.fetch_add(1);
  PlatDestroyWindow(d);
  return 1;
}

// Two threads each own a modeless dialog, both open at once; the user's
// presses reach each procedure only on its own thread.
TEST(PlatformDialogs, DialogsOfSeveralThreadsAreOpenAtOnce) {
  ScriptedInstall();
  gCommands.store(0);
  std::atomic<int> created{0};
  std::atomic<bool> bothSeen{false};
  auto owner = [&](int templateId) {
    PlatWindow d = PlatCreateDialog(PlatDefaultInstance(), templateId, nullptr,
                                    RecordingProc, 0);
    PlatShowWindow(d);
    created.fetch_add(1);
    for (int i = 0; i < 5000 && created.load() < 2; ++i) PlatSleep(1);
    {
      std::lock_guard<std::mutex> g(EngLock());
      if (EngOpenDialogsLocked().size() == 2) bothSeen.store(true);
    }
    for (int i = 0; i < 5000 && gCommands.load() < 2; ++i) {
      PlatPumpOneMessage(d);
      PlatSleep(1);
    }
  };
  ScriptAnswer(kDlgConnecting, {ScriptPress(kIdCancel, 5)});
  ScriptAnswer(kDlgWaiting, {ScriptPress(kIdCancel, 5)});
  std::thread a(owner, kDlgConnecting);
  std::thread b(owner, kDlgWaiting);
  a.join();
  b.join();
  EXPECT_TRUE(bothSeen.load());
  EXPECT_EQ(gCommands.load(), 2);
  EXPECT_FALSE(gWrongThread.load());
  EXPECT_EQ(ScriptedLines("close 105").size(), 1u);
  EXPECT_EQ(ScriptedLines("close 114").size(), 1u);
}

}  // namespace
