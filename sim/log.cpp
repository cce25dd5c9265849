#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace duxsim {

namespace {
std::mutex gLogMutex;
FILE* gEvents = nullptr;
}  // namespace

bool OpenEvents(const std::string& path) {
  if (path.empty()) return true;
  gEvents = fopen(path.c_str(), "a");
  return gEvents != nullptr;
}

void Event(const char* format, ...) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  if (!gEvents) return;
  va_list args;
  va_start(args, format);
  vfprintf(gEvents, format, args);
  va_end(args);
  fputc('\n', gEvents);
  fflush(gEvents);
}

void Log(const char* format, ...) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  fputs("duxsim: ", stderr);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
  fflush(stderr);
}

}  // namespace duxsim
