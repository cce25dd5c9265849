// Threads, the multimedia millisecond counter, sleeping and the end of the
// process on Windows.
#include "platform/thread.h"

// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/testing.h"

struct PlatThreadRec {
  PlatThreadRoutine routine;
  void* argument;
  HANDLE handle;
};

namespace {

// Static initialisation runs on the thread that started the process.
const DWORD gMainThreadId = GetCurrentThreadId();

// One-millisecond timer resolution for the whole run, so that the short
// sleeps (1, 12 and 32 ms) keep their length instead of growing to the
// default 15.6 ms tick. The process end gives the setting back.
const MMRESULT gTimerPeriod = timeBeginPeriod(1);

std::atomic<uint32_t> gClockFactor{0};
std::atomic<uint32_t> gClockBase{0};
std::atomic<uint32_t> gClockStart{0};
std::atomic<uint64_t> gSleptMilliseconds{0};
std::atomic<int> gExiting{0};

DWORD WINAPI ThreadMain(LPVOID p) {
  PlatThreadRec* rec = static_cast<PlatThreadRec*>(p);
  return static_cast<DWORD>(rec->routine(rec->argument));
}

}  // namespace

PlatThread PlatStartThread(PlatThreadRoutine routine, void* argument) {
  (void)gTimerPeriod;
  PlatThreadRec* rec = new (std::nothrow) PlatThreadRec;
  if (!rec) return nullptr;
  rec->routine = routine;
  rec->argument = argument;
  rec->handle = CreateThread(nullptr, 0, ThreadMain, rec, 0, nullptr);
  if (!rec->handle) {
    delete rec;
    return nullptr;
  }
  return rec;
}

int PlatThreadHasEnded(PlatThread thread, uint32_t* exitCode) {
  // The handle is signalled once the thread has ended; only then is its exit
  // code final. Asking the exit code alone would take a thread that returned
  // 259 for one that still runs.
  if (!thread || WaitForSingleObject(thread->handle, 0) != WAIT_OBJECT_0)
    return 0;
  DWORD code = 0;
  if (!GetExitCodeThread(thread->handle, &code)) return 0;
  if (exitCode) *exitCode = static_cast<uint32_t>(code);
  return 1;
}

int PlatIsMainThread(void) {
  return GetCurrentThreadId() == gMainThreadId ? 1 : 0;
}

void PlatSleep(uint32_t milliseconds) {
  uint32_t factor = gClockFactor.load();
  gSleptMilliseconds.fetch_add(milliseconds);
  Sleep(factor == 0 ? milliseconds : milliseconds / factor);
}

uint32_t PlatMilliseconds(void) {
  uint32_t now = timeGetTime();
  uint32_t factor = gClockFactor.load();
  if (factor == 0) return now;
  uint64_t elapsed = static_cast<uint32_t>(now - gClockBase.load());
  return gClockStart.load() + static_cast<uint32_t>(elapsed * factor);
}

void PlatExitProcess(int status) {
  // Two threads must never run the exit handlers at once: the first one to
  // get here ends the process, any later one waits for that end.
  if (gExiting.exchange(1) != 0) {
    for (;;) Sleep(INFINITE);
  }
  exit(status);
}

void PlatTestSetClockDouble(uint32_t factor, uint32_t startMs) {
  gClockBase.store(timeGetTime());
  gClockStart.store(startMs);
  gClockFactor.store(factor);
}

uint64_t PlatTestSleptMilliseconds(void) { return gSleptMilliseconds.load(); }
