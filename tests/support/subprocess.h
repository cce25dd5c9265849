// Starting and stopping helper processes (the simulated device) in tests.
#pragma once

#include <string>
#include <vector>

struct Subprocess {
  int pid = -1;
};

// Starts `argv` with stdout and stderr going to `logPath` (appended).
Subprocess StartSubprocess(const std::vector<std::string>& argv,
                           const std::string& logPath);
// Sends SIGTERM, waits at most `timeoutMs`, then SIGKILL. Returns the exit
// status (or -1 when it had to be killed).
int StopSubprocess(Subprocess* p, int timeoutMs = 2000);
// Waits at most `timeoutMs` for the process to end by itself; its exit status,
// or -1 on timeout.
int WaitSubprocess(Subprocess* p, int timeoutMs);
// Waits (bounded) until a TCP connect to address:port succeeds.
bool WaitForTcpPort(const char* address, int port, int timeoutMs);
// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// A fresh temporary directory for one test.
std::string MakeTempDir(void);
