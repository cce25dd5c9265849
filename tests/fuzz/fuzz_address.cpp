// The device address as the user types it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/dialogs.h"

namespace {

// The address rules, written out once more from scratch: length, character
// set, numbers split at '.' or '*', at most four, each at most 255.
int ExpectedCode(const char* text, uint32_t* address) {
  *address = 0;
  size_t length = strlen(text);
  if (length < 7 || length > 15) return 4;
  for (size_t i = 0; i < length; ++i) {
    if (!strchr("0123456789.*", text[i])) return 5;
  }
  uint32_t numbers[4] = {};
  int taken = 0;
  size_t i = 0;
  while (i < length) {
    if (text[i] == '.' || text[i] == '*') {
      ++i;
      continue;
    }
    if (taken == 4) return 2;
    uint64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 255) return 1;
    numbers[taken++] = static_cast<uint32_t>(value);
  }
  if (taken < 4) return 3;
  *address = numbers[0] << 24 | numbers[1] << 16 | numbers[2] << 8 | numbers[3];
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the typed characters and their NUL: a read past it is caught.
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  if (strlen(text.data()) != size) return 0;
  uint32_t address = 0xdeadbeef;
  int code = ParseIPv4Address(text.data(), &address);
  uint32_t expectedAddress = 0;
  int expected = ExpectedCode(text.data(), &expectedAddress);
  if (code < 0 || code > 5 || code != expected) {
    fprintf(stderr, "'%s': code %d, expected %d\n", text.data(), code,
            expected);
    abort();
  }
  if (address != expectedAddress) {
    fprintf(stderr, "'%s': address %08x, expected %08x\n", text.data(), address,
            expectedAddress);
    abort();
  }
  if (code == 0) {
    char dotted[16];
    snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", address >> 24,
             (address >> 16) & 0xff, (address >> 8) & 0xff, address & 0xff);
    uint32_t again = 0;
    if (ParseIPv4Address(dotted, &again) != 0 || again != address) {
      fprintf(stderr, "'%s' does not read back as %08x\n", dotted, address);
      abort();
    }
  }
  return 0;
}
