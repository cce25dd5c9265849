// Threads, the millisecond counter, sleeping and the end of the process.
#include "platform/thread.h"

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

#include "platform/testing.h"

struct PlatThreadRec {
  PlatThreadRoutine routine;
  void* argument;
  std::atomic<int> ended;
  uint32_t exitCode;
};

namespace {

const pthread_t gMainThread = pthread_self();

std::atomic<uint32_t> gClockFactor{0};
std::atomic<uint64_t> gClockBaseMicros{0};
std::atomic<uint32_t> gClockStart{0};
std::atomic<uint64_t> gSleptMilliseconds{0};
std::atomic<int> gExiting{0};

uint64_t MonotonicMicros() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000000u +
         static_cast<uint64_t>(t.tv_nsec) / 1000u;
}

void SleepMicros(uint64_t micros) {
  timespec t;
  t.tv_sec = static_cast<time_t>(micros / 1000000u);
  t.tv_nsec = static_cast<long>((micros % 1000000u) * 1000u);
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

void* ThreadMain(void* p) {
  PlatThreadRec* rec = static_cast<PlatThreadRec*>(p);
  rec->exitCode = rec->routine(rec->argument);
  rec->ended.store(1, std::memory_order_release);
  return nullptr;
}

}  // namespace

PlatThread PlatStartThread(PlatThreadRoutine routine, void* argument) {
  PlatThreadRec* rec = new (std::nothrow) PlatThreadRec;
  if (!rec) return nullptr;
  rec->routine = routine;
  rec->argument = argument;
  rec->ended.store(0);
  rec->exitCode = 0;
  pthread_t t;
  if (pthread_create(&t, nullptr, ThreadMain, rec) != 0) {
    delete rec;
    return nullptr;
  }
  pthread_detach(t);
  return rec;
}

int PlatThreadHasEnded(PlatThread thread, uint32_t* exitCode) {
  if (!thread || !thread->ended.load(std::memory_order_acquire)) return 0;
  if (exitCode) *exitCode = thread->exitCode;
  return 1;
}

int PlatIsMainThread(void) {
  return pthread_equal(pthread_self(), gMainThread) ? 1 : 0;
}

void PlatSleep(uint32_t milliseconds) {
  uint32_t factor = gClockFactor.load();
  gSleptMilliseconds.fetch_add(milliseconds);
  if (factor == 0) {
    SleepMicros(static_cast<uint64_t>(milliseconds) * 1000u);
  } else {
    SleepMicros(static_cast<uint64_t>(milliseconds) * 1000u / factor);
  }
}

uint32_t PlatMilliseconds(void) {
  uint32_t factor = gClockFactor.load();
  if (factor == 0) return static_cast<uint32_t>(MonotonicMicros() / 1000u);
  uint64_t elapsed = MonotonicMicros() - gClockBaseMicros.load();
  return gClockStart.load() + static_cast<uint32_t>(elapsed * factor / 1000u);
}

void PlatExitProcess(int status) {
  // Two threads must never run the exit handlers at once: the first one to
  // get here ends the process, any later one waits for that end.
  if (gExiting.exchange(1) != 0) {
    for (;;) SleepMicros(1000000);
  }
  exit(status);
}

void PlatTestSetClockDouble(uint32_t factor, uint32_t startMs) {
  gClockBaseMicros.store(MonotonicMicros());
  gClockStart.store(startMs);
  gClockFactor.store(factor);
}

uint64_t PlatTestSleptMilliseconds(void) { return gSleptMilliseconds.load(); }
