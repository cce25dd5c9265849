// The Digest challenge parser, and the Authorization line built from what it
// stored. The input is a user name, a password and a challenge, separated
// by NUL bytes; the line is checked against one composed here from the RFC
// 2617 formulas with an independent MD5.
#include <openssl/evp.h>
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "web/digest.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  fprintf(stderr, "digest fault: %s\n", what);
  abort();
}

std::string Md5(const std::string& bytes, bool hex = true) {
  unsigned char d[16];
  unsigned int n = 0;
  EVP_Digest(bytes.data(), bytes.size(), d, &n, EVP_md5(), nullptr);
  if (!hex) return std::string(reinterpret_cast<char*>(d), 16);
  char h[33];
  for (int i = 0; i < 16; ++i) snprintf(h + 2 * i, 3, "%02x", d[i]);
  return std::string(h, 32);
}

// The value of `key` ("name=\"") in the challenge, cut to the field's limit;
// false when the key is absent.
bool Directive(const char* challenge, const char* key, size_t limit,
               std::string* value) {
  const char* p = strstr(challenge, key);
  if (!p) return false;
  p += strlen(key);
  const char* end = strchr(p, '"');
  size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
  *value = std::string(p, n < limit ? n : limit);
  return true;
}

bool Terminated(const char* field, size_t size) {
  return memchr(field, 0, size) != nullptr;
}

std::string ExpectedLine(const DigestState& s) {
  std::string ha1 =
      Md5(std::string(s.userName) + ":" + s.realm + ":" + s.password, false);
  if (strcasecmp(s.algorithm, "md5-sess") == 0)
    ha1 = Md5(ha1 + ":" + s.nonce + ":" + s.clientNonce);
  else
    ha1 = Md5(std::string(s.userName) + ":" + s.realm + ":" + s.password);
  std::string a2 = std::string("GET:") + s.digestUri;
  if (strcasecmp(s.qop, "auth-int") == 0) a2 += ":" + Md5("");
  std::string ha2 = Md5(a2);
  char nc[16];
  snprintf(nc, sizeof nc, "%09x", s.nonceCount);
  std::string response = s.qop[0] ? Md5(ha1 + ":" + s.nonce + ":" + nc + ":" +
                                        s.clientNonce + ":" + s.qop + ":" + ha2)
                                  : Md5(ha1 + ":" + s.nonce + ":" + ha2);
  std::string line = std::string("Authorization: Digest username=\"") +
                     s.userName + "\",realm=\"" + s.realm + "\",nonce=\"" +
                     s.nonce + "\",uri=\"" + s.digestUri + "\",algorithm=\"" +
                     s.algorithm + "\",response=\"" + response + "\"";
  if (s.opaque[0]) line += std::string(",opaque=\"") + s.opaque + "\"";
  if (s.qop[0])
    line += std::string(",qop=") + s.qop + ",nc=" + nc + ",cnonce=\"" +
            s.clientNonce + "\"";
  return line + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Byte 0: the nonce count's low byte and a capacity for the short build.
  uint32_t count = data[0];
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t a = rest.find('\0');
  size_t b = a == std::string::npos ? a : rest.find('\0', a + 1);
  if (b == std::string::npos) return 0;
  // The password dialog keeps at most 126 characters of each.
  std::string user = rest.substr(0, a < 126 ? a : 126);
  std::string password = rest.substr(a + 1, b - a - 1 < 126 ? b - a - 1 : 126);
  std::vector<char> challenge(rest.begin() + static_cast<long>(b) + 1,
                              rest.end());
  challenge.push_back('\0');

  static DigestState state;
  memset(&state, 0, sizeof state);
  memcpy(state.userName, user.data(), user.size());
  memcpy(state.password, password.data(), password.size());
  static DigestState before;
  before = state;

  int32_t result = ParseDigestChallenge(challenge.data(), &state);
  const DigestState& s = state;
  if (!Terminated(s.previousNonce, sizeof s.previousNonce) ||
      !Terminated(s.nonce, sizeof s.nonce) ||
      !Terminated(s.clientNonce, sizeof s.clientNonce) ||
      !Terminated(s.realm, sizeof s.realm) ||
      !Terminated(s.qop, sizeof s.qop) ||
      !Terminated(s.algorithm, sizeof s.algorithm) ||
      !Terminated(s.opaque, sizeof s.opaque) ||
      !Terminated(s.digestUri, sizeof s.digestUri))
    Fail("a field lost its NUL");
  if (s.digestUri[0]) Fail("the digest URI was filled");

  std::string realm, nonce, value;
  bool hasRealm = Directive(challenge.data(), "realm=\"", 127, &realm);
  bool hasNonce = Directive(challenge.data(), "nonce=\"", 127, &nonce);
  if (!hasRealm) {
    if (result != 1) Fail("accepted without a realm");
    if (memcmp(&before, &state, sizeof state)) Fail("changed without a realm");
    return 0;
  }
  if (realm != s.realm) Fail("realm");
  if (!hasNonce) {
    if (result != 1) Fail("accepted without a nonce");
    if (s.nonce[0] || s.clientNonce[0] || s.nonceCount)
      Fail("changed more than the realm without a nonce");
    return 0;
  }
  if (result != 0) Fail("refused a challenge with a realm and a nonce");
  if (nonce != s.nonce || nonce != s.previousNonce) Fail("nonce");
  // The client nonce is a number from 0 to 32767 in hexadecimal. With
  // DUX_FUZZ_ANY_CNONCE set (to fuzz past a known fault) any length up to
  // eight digits passes, and the line may grow by the extra digits.
  static const bool anyClientNonce = getenv("DUX_FUZZ_ANY_CNONCE") != nullptr;
  size_t cnonceLength = strlen(s.clientNonce);
  size_t maxCnonce = anyClientNonce ? 8 : 4;
  if (cnonceLength < 1 || cnonceLength > maxCnonce)
    Fail("client nonce not 1 to 4 hexadecimal digits");
  size_t maxLine = 697 + (cnonceLength > 4 ? cnonceLength - 4 : 0);
  struct {
    const char* key;
    const char* field;
    size_t limit;
  } optional[] = {{"algorithm=\"", s.algorithm, 15},
                  {"qop=\"", s.qop, 15},
                  {"opaque=\"", s.opaque, 127}};
  for (const auto& o : optional) {
    if (!Directive(challenge.data(), o.key, o.limit, &value)) value.clear();
    if (value != o.field) Fail(o.key);
  }

  state.nonceCount = count + 1;
  std::string expected = ExpectedLine(state);
  if (expected.size() > maxLine) Fail("a line longer than 697 would be needed");
  std::vector<char> out(1024);
  int32_t n = BuildDigestAuthorization(&state, out.data(),
                                       static_cast<int32_t>(out.size()));
  if (n != static_cast<int32_t>(strlen(out.data()))) Fail("length returned");
  if (static_cast<size_t>(n) > maxLine) Fail("line longer than 697");
  if (expected != std::string(out.data(), static_cast<size_t>(n)))
    Fail("line differs from the one the formulas give");

  // A short room: the builder stays inside it and ends what it wrote.
  size_t room = 1 + (data[0] * 3u) % static_cast<size_t>(n + 1);
  std::vector<char> small(room);
  int32_t m = BuildDigestAuthorization(&state, small.data(),
                                       static_cast<int32_t>(room));
  if (m < 0 || static_cast<size_t>(m) >= room || small[m] != '\0')
    Fail("wrote beyond a short room");
  return 0;
}
