#include "web/digest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "web/md5.h"

DigestState gDigestState;

namespace {

// The value behind the first `key` anywhere in the text, up to the next
// double quote or the end; copied into field (cut at its size). 0 when the
// key is absent.
int FindDirective(const char* text, const char* key, char* field,
                  int fieldSize) {
  const char* at = strstr(text, key);
  if (!at) return 0;
  const char* value = at + strlen(key);
  const char* end = strchr(value, '"');
  size_t length = end ? static_cast<size_t>(end - value) : strlen(value);
  if (length > static_cast<size_t>(fieldSize - 1))
    length = static_cast<size_t>(fieldSize - 1);
  memcpy(field, value, length);
  field[length] = 0;
  return 1;
}

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = *a, y = *b;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
    if (!x) return true;
  }
}

void Feed(Md5Context* c, const char* text) {
  Md5Update(c, reinterpret_cast<const unsigned char*>(text),
            static_cast<uint32_t>(strlen(text)));
}

void FeedColon(Md5Context* c) {
  static const unsigned char kColon = ':';
  Md5Update(c, &kColon, 1);
}

}  // namespace

int32_t ParseDigestChallenge(const char* challenge, DigestState* s) {
  if (!FindDirective(challenge, "realm=\"", s->realm, kDigestTextSize))
    return 1;
  if (!FindDirective(challenge, "nonce=\"", s->nonce, kDigestTextSize))
    return 1;
  if (strcmp(s->nonce, s->previousNonce) != 0) {
    memcpy(s->previousNonce, s->nonce, kDigestTextSize);
    s->nonceCount = 0;
  }
  // A number from 0 to 32767 (the generator's range on the target), so the
  // client nonce is 1 to 4 hexadecimal digits whatever this library's range.
  snprintf(s->clientNonce, kDigestTextSize, "%x",
           static_cast<unsigned>(rand() % 32768));
  if (!FindDirective(challenge, "algorithm=\"", s->algorithm, kDigestShortSize))
    s->algorithm[0] = 0;
  if (!FindDirective(challenge, "qop=\"", s->qop, kDigestShortSize))
    s->qop[0] = 0;
  if (!FindDirective(challenge, "opaque=\"", s->opaque, kDigestTextSize))
    s->opaque[0] = 0;
  return 0;
}

void ComputeDigestHA1(const char* algorithm, const char* userName,
                      const char* realm, const char* password,
                      const char* nonce, const char* clientNonce, char* out) {
  unsigned char ha1[16];
  Md5Context c;
  Md5Init(&c);
  Feed(&c, userName);
  FeedColon(&c);
  Feed(&c, realm);
  FeedColon(&c);
  Feed(&c, password);
  Md5Final(ha1, &c);
  if (EqualsIgnoringCase(algorithm, "md5-sess")) {
    // The raw 16-byte digest enters the session hash, not its hex text.
    Md5Init(&c);
    Md5Update(&c, ha1, 16);
    FeedColon(&c);
    Feed(&c, nonce);
    FeedColon(&c);
    Feed(&c, clientNonce);
    Md5Final(ha1, &c);
  }
  DigestToHex(ha1, out);
}

void ComputeDigestResponse(const char* ha1, const char* nonce,
                           const char* nonceCountText, const char* clientNonce,
                           const char* qop, const char* method,
                           const char* digestUri, const char* entityBody,
                           char* out) {
  unsigned char digest[16];
  char ha2[33];
  Md5Context c;
  Md5Init(&c);
  Feed(&c, method);
  FeedColon(&c);
  Feed(&c, digestUri);
  if (EqualsIgnoringCase(qop, "auth-int")) {
    char entityHash[33];
    Md5Context e;
    Md5Init(&e);
    Feed(&e, entityBody);
    Md5Final(digest, &e);
    DigestToHex(digest, entityHash);
    FeedColon(&c);
    Feed(&c, entityHash);
  }
  Md5Final(digest, &c);
  DigestToHex(digest, ha2);

  Md5Init(&c);
  Md5Update(&c, reinterpret_cast<const unsigned char*>(ha1), 32);
  FeedColon(&c);
  Feed(&c, nonce);
  FeedColon(&c);
  if (qop[0]) {
    Feed(&c, nonceCountText);
    FeedColon(&c);
    Feed(&c, clientNonce);
    FeedColon(&c);
    Feed(&c, qop);
    FeedColon(&c);
  }
  Feed(&c, ha2);
  Md5Final(digest, &c);
  DigestToHex(digest, out);
}

int32_t BuildDigestAuthorization(const DigestState* s, char* out,
                                 int32_t capacity) {
  if (capacity <= 0) return 0;
  char nonceCountText[16] = "";
  if (s->qop[0])
    snprintf(nonceCountText, sizeof nonceCountText, "%09x", s->nonceCount);
  char ha1[33], response[33];
  ComputeDigestHA1(s->algorithm, s->userName, s->realm, s->password, s->nonce,
                   s->clientNonce, ha1);
  ComputeDigestResponse(ha1, s->nonce, nonceCountText, s->clientNonce, s->qop,
                        "GET", s->digestUri, "", response);
  // Each piece is formatted into what is left of the room; a line that does
  // not fit whole is not sent at all: the room is left holding an empty text.
  size_t room = static_cast<size_t>(capacity);
  size_t n = 0;
  bool fits = true;
  auto append = [&](int written) {
    if (written < 0 || static_cast<size_t>(written) >= room - n) {
      fits = false;
      return;
    }
    n += static_cast<size_t>(written);
  };
  append(snprintf(out, room,
                  "Authorization: Digest username=\"%s\",realm=\"%s\","
                  "nonce=\"%s\",uri=\"%s\",algorithm=\"%s\",response=\"%s\"",
                  s->userName, s->realm, s->nonce, s->digestUri, s->algorithm,
                  response));
  if (fits && s->opaque[0])
    append(snprintf(out + n, room - n, ",opaque=\"%s\"", s->opaque));
  if (fits && s->qop[0])
    append(snprintf(out + n, room - n, ",qop=%s,nc=%09x,cnonce=\"%s\"", s->qop,
                    s->nonceCount, s->clientNonce));
  if (fits) append(snprintf(out + n, room - n, "\r\n"));
  if (!fits) {
    out[0] = 0;
    return 0;
  }
  return static_cast<int32_t>(n);
}
