// Test doubles of the platform layer. Only tests, benchmarks and tools
// include this; the program never calls it.
#pragma once

#include <cstdint>

// The clock double: with a nonzero factor the millisecond counter runs
// `factor` times faster than real time, starting from `startMs`, and every
// PlatSleep lasts 1/factor of its nominal length, so that long waits pass in
// little real time while the code still reads the counter and sleeps exactly
// as it would. Factor 0 returns to the real clock.
void PlatTestSetClockDouble(uint32_t factor, uint32_t startMs);
// Total nominal milliseconds slept through PlatSleep since the last reset.
uint64_t PlatTestSleptMilliseconds(void);

// The address source double: with count >= 0 the host lookup gives the first
// `count` entries of `list` (a copy is kept); with list null it fails as an
// unknown host. count < 0 returns to the real source.
void PlatTestSetHostAddresses(const uint32_t* list, int count);

// Makes the socket layer start-up and the window class registration fail.
void PlatTestFailNetStartup(int fail);
void PlatTestFailWindowClass(int fail);

// With `on`, PlatWaitReadable sleeps its whole timeout blindly instead of
// returning when a datagram arrives (to measure what the wait saves).
void PlatTestSetBlindWait(int on);

// How often a resource of that id was looked up since the process started.
int PlatTestResourceLookups(int id);
