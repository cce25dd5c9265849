#include <cstdio>
#include <cstdlib>

#include "ui/dialogs.h"

int ParseIPv4Address(const char* text, uint32_t* address) {
  *address = 0;
  int length = 0;
  while (text[length] && length <= 15) ++length;
  if (length < 7 || length > 15) return 4;
  for (int i = 0; i < length; ++i) {
    char c = text[i];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '*')) return 5;
  }
  uint32_t numbers[4];
  int taken = 0;
  bool any = false;
  for (int i = 0; i < length;) {
    if (text[i] == '.' || text[i] == '*') {
      ++i;
      continue;
    }
    any = true;
    if (taken == 4) return 2;
    // At most 15 digits: the value is bounded long before it could wrap.
    uint64_t value = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
      ++i;
    }
    if (value > 255) return 1;
    numbers[taken++] = static_cast<uint32_t>(value);
  }
  if (!any || taken < 4) return 3;
  *address =
      (numbers[0] << 24) | (numbers[1] << 16) | (numbers[2] << 8) | numbers[3];
  return 0;
}

void MakeTftpFileName(char* out, int capacity, uint32_t stage) {
  unsigned random = static_cast<unsigned>(rand()) & 0xffffu;
  snprintf(out, static_cast<size_t>(capacity), "/dux%x.bi%d", random,
           static_cast<int>(stage));
}
