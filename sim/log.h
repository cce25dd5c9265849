// The device's two records: a human log on stderr and, with --events, one
// machine-readable line per event that the tests parse.
#pragma once

#include <string>

namespace duxsim {

// Opens (appends to) the events file; an empty path turns events off.
bool OpenEvents(const std::string& path);
// Appends one event line and flushes it.
void Event(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes "duxsim: ..." and a line break to stderr.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace duxsim
