// The listener's decision on one received datagram.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tftp/listener.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the expected name, so that names of every length
  // the wizard makes ("/dux%x.bi%d", 1 to 4 hex digits) are tried.
  static const char* const kNames[] = {"/dux0.bi1", "/dux3f.bi0", "/dux3f0.bi1",
                                       "/dux3f0a.bi1"};
  if (size < 1 || size > 1024 + 1) return 0;
  const char* name = kNames[data[0] % 4];
  // Exactly the received bytes: the decision must not read beyond them.
  std::vector<unsigned char> datagram(data + 1, data + size);
  int length = static_cast<int>(datagram.size());
  int accepted = IsExpectedReadRequest(datagram.data(), length, name);
  size_t nameSize = strlen(name) + 1;
  bool expected = datagram.size() >= 2 + nameSize && datagram[0] == 0 &&
                  datagram[1] == 1 &&
                  memcmp(datagram.data() + 2, name, nameSize) == 0;
  if (accepted != (expected ? 1 : 0)) {
    fprintf(stderr, "datagram of %d bytes for %s: accepted %d\n", length, name,
            accepted);
    abort();
  }
  return 0;
}
