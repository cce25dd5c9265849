// Threads, sleeping, the millisecond counter and the end of the process.
#pragma once

#include <cstdint>

typedef struct PlatThreadRec* PlatThread;
typedef uint32_t (*PlatThreadRoutine)(void* argument);

// Starts `routine(argument)` at once on a new thread; null on failure.
// The thread's handle is kept until the process ends (never joined).
PlatThread PlatStartThread(PlatThreadRoutine routine, void* argument);

// 1 when the thread has ended, with its exit code in *exitCode (any value,
// the Windows still-active code 259 included); 0 while it runs.
int PlatThreadHasEnded(PlatThread thread, uint32_t* exitCode);

// 1 when called from the thread that started the process.
int PlatIsMainThread(void);

void PlatSleep(uint32_t milliseconds);

// 32-bit millisecond counter that wraps to 0 after 2^32 ms.
uint32_t PlatMilliseconds(void);

// The standard exit: runs the end-of-process handlers and ends every thread.
[[noreturn]] void PlatExitProcess(int status);
