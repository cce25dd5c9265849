// The classification of a received response.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "web/digest.h"
#include "web/http.h"

namespace {

// The status line rules, written out again: the version, one character,
// blanks and tabs, then the three digits of the code.
int32_t ExpectedClass(const char* text, DigestState* state) {
  if (strncmp(text, "HTTP/1.1", 8) != 0) return kHttpNotHttp11;
  if (strlen(text) < 9) return kHttpNoStatus;
  const char* p = text + 9;
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return kHttpNoStatus;
  if (strncmp(p, "200", 3) == 0) return kHttpOk;
  if (strncmp(p, "401", 3) != 0) return kHttpOther;
  const char* challenge = strstr(p, "WWW-Authenticate:");
  if (!challenge) return kHttpOther;
  return ParseDigestChallenge(challenge, state) == 0 ? kHttpChallenge
                                                     : kHttpOther;
}

bool Terminated(const char* field, size_t size) {
  return memchr(field, 0, size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  static DigestState state;
  static DigestState reference;
  memset(&state, 0, sizeof state);
  memset(&reference, 0, sizeof reference);
  int32_t got = ClassifyHttpResponse(text.data(), &state);
  int32_t expected = ExpectedClass(text.data(), &reference);
  if (got != expected || got < -2 || got > 2) {
    fprintf(stderr, "classified %d, expected %d\n", got, expected);
    abort();
  }
  const DigestState& s = state;
  if (!Terminated(s.previousNonce, sizeof s.previousNonce) ||
      !Terminated(s.nonce, sizeof s.nonce) ||
      !Terminated(s.clientNonce, sizeof s.clientNonce) ||
      !Terminated(s.realm, sizeof s.realm) ||
      !Terminated(s.qop, sizeof s.qop) ||
      !Terminated(s.algorithm, sizeof s.algorithm) ||
      !Terminated(s.opaque, sizeof s.opaque)) {
    fprintf(stderr, "a challenge field lost its NUL\n");
    abort();
  }
  // Apart from the client nonce (a fresh random number), the same text
  // leaves the same record.
  if (strcmp(s.nonce, reference.nonce) || strcmp(s.realm, reference.realm) ||
      strcmp(s.qop, reference.qop) ||
      strcmp(s.algorithm, reference.algorithm) ||
      strcmp(s.opaque, reference.opaque) ||
      s.nonceCount != reference.nonceCount) {
    fprintf(stderr, "the classification stored another challenge\n");
    abort();
  }
  return 0;
}
