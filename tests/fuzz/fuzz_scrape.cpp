// The status-page scraper on whole responses, for each of the five labels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "web/http.h"

namespace {

constexpr int kLimit = 127;
const char* const kLabels[] = {
    "Product Name:", "MAC Address:", "Software Version:", "Hardware Version:",
    "Serial Number:"};

// The value behind the label, past the run of tags after it; false when the
// label or a closing '>' is missing.
bool ExpectedValue(const char* text, const char* label, char* out) {
  const char* p = strstr(text, label);
  if (!p) return false;
  p = strchr(p, '>');
  if (!p) return false;
  ++p;
  while (*p == '<') {
    p = strchr(p, '>');
    if (!p) return false;
    ++p;
  }
  int n = 0;
  while (n < kLimit && p[n] && p[n] != '<') {
    out[n] = p[n];
    ++n;
  }
  out[n] = '\0';
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  for (const char* label : kLabels) {
    // A field full of a filler byte and no NUL: every byte must stay when
    // the label is missing, and a NUL must end the field otherwise.
    char field[kDeviceTextSize];
    memset(field, 'Z', sizeof field);
    ScrapeLabelValue(text.data(), label, field, kLimit);
    char expected[kDeviceTextSize];
    if (!ExpectedValue(text.data(), label, expected)) {
      for (char c : field) {
        if (c != 'Z') {
          fprintf(stderr, "%s: field changed without a value\n", label);
          abort();
        }
      }
      continue;
    }
    if (!memchr(field, 0, kLimit + 1) || strcmp(field, expected) != 0) {
      fprintf(stderr, "%s: got '%.128s', expected '%s'\n", label, field,
              expected);
      abort();
    }
  }
  return 0;
}
