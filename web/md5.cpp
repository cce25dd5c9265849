#include "web/md5.h"

#include <cstring>

namespace {

const unsigned char kPadding[64] = {0x80};

// Shift amounts per round and step position.
constexpr int S11 = 7, S12 = 12, S13 = 17, S14 = 22;
constexpr int S21 = 5, S22 = 9, S23 = 14, S24 = 20;
constexpr int S31 = 4, S32 = 11, S33 = 16, S34 = 23;
constexpr int S41 = 6, S42 = 10, S43 = 15, S44 = 21;

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
  return (x & y) | (~x & z);
}
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
  return (x & z) | (y & ~z);
}
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }
inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

#define STEP(f, a, b, c, d, x, s, ac)                        \
  (a) += f((b), (c), (d)) + (x) + static_cast<uint32_t>(ac); \
  (a) = Rotl((a), (s)) + (b)

void EncodeLittleEndian(unsigned char* out, const uint32_t* in, int words) {
  for (int i = 0; i < words; ++i) {
    out[4 * i] = static_cast<unsigned char>(in[i] & 0xff);
    out[4 * i + 1] = static_cast<unsigned char>((in[i] >> 8) & 0xff);
    out[4 * i + 2] = static_cast<unsigned char>((in[i] >> 16) & 0xff);
    out[4 * i + 3] = static_cast<unsigned char>((in[i] >> 24) & 0xff);
  }
}

}  // namespace

void Md5Init(Md5Context* c) {
  c->count[0] = c->count[1] = 0;
  c->state[0] = 0x67452301;
  c->state[1] = 0xefcdab89;
  c->state[2] = 0x98badcfe;
  c->state[3] = 0x10325476;
}

void Md5Transform(uint32_t state[4], const unsigned char block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<uint32_t>(block[4 * i]) |
           (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<uint32_t>(block[4 * i + 2]) << 16) |
           (static_cast<uint32_t>(block[4 * i + 3]) << 24);
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

  STEP(F, a, b, c, d, x[0], S11, 0xd76aa478);
  STEP(F, d, a, b, c, x[1], S12, 0xe8c7b756);
  STEP(F, c, d, a, b, x[2], S13, 0x242070db);
  STEP(F, b, c, d, a, x[3], S14, 0xc1bdceee);
  STEP(F, a, b, c, d, x[4], S11, 0xf57c0faf);
  STEP(F, d, a, b, c, x[5], S12, 0x4787c62a);
  STEP(F, c, d, a, b, x[6], S13, 0xa8304613);
  STEP(F, b, c, d, a, x[7], S14, 0xfd469501);
  STEP(F, a, b, c, d, x[8], S11, 0x698098d8);
  STEP(F, d, a, b, c, x[9], S12, 0x8b44f7af);
  STEP(F, c, d, a, b, x[10], S13, 0xffff5bb1);
  STEP(F, b, c, d, a, x[11], S14, 0x895cd7be);
  STEP(F, a, b, c, d, x[12], S11, 0x6b901122);
  STEP(F, d, a, b, c, x[13], S12, 0xfd987193);
  STEP(F, c, d, a, b, x[14], S13, 0xa679438e);
  STEP(F, b, c, d, a, x[15], S14, 0x49b40821);

  STEP(G, a, b, c, d, x[1], S21, 0xf61e2562);
  STEP(G, d, a, b, c, x[6], S22, 0xc040b340);
  STEP(G, c, d, a, b, x[11], S23, 0x265e5a51);
  STEP(G, b, c, d, a, x[0], S24, 0xe9b6c7aa);
  STEP(G, a, b, c, d, x[5], S21, 0xd62f105d);
  STEP(G, d, a, b, c, x[10], S22, 0x02441453);
  STEP(G, c, d, a, b, x[15], S23, 0xd8a1e681);
  STEP(G, b, c, d, a, x[4], S24, 0xe7d3fbc8);
  STEP(G, a, b, c, d, x[9], S21, 0x21e1cde6);
  STEP(G, d, a, b, c, x[14], S22, 0xc33707d6);
  STEP(G, c, d, a, b, x[3], S23, 0xf4d50d87);
  STEP(G, b, c, d, a, x[8], S24, 0x455a14ed);
  STEP(G, a, b, c, d, x[13], S21, 0xa9e3e905);
  STEP(G, d, a, b, c, x[2], S22, 0xfcefa3f8);
  STEP(G, c, d, a, b, x[7], S23, 0x676f02d9);
  STEP(G, b, c, d, a, x[12], S24, 0x8d2a4c8a);

  STEP(H, a, b, c, d, x[5], S31, 0xfffa3942);
  STEP(H, d, a, b, c, x[8], S32, 0x8771f681);
  STEP(H, c, d, a, b, x[11], S33, 0x6d9d6122);
  STEP(H, b, c, d, a, x[14], S34, 0xfde5380c);
  STEP(H, a, b, c, d, x[1], S31, 0xa4beea44);
  STEP(H, d, a, b, c, x[4], S32, 0x4bdecfa9);
  STEP(H, c, d, a, b, x[7], S33, 0xf6bb4b60);
  STEP(H, b, c, d, a, x[10], S34, 0xbebfbc70);
  STEP(H, a, b, c, d, x[13], S31, 0x289b7ec6);
  STEP(H, d, a, b, c, x[0], S32, 0xeaa127fa);
  STEP(H, c, d, a, b, x[3], S33, 0xd4ef3085);
  STEP(H, b, c, d, a, x[6], S34, 0x04881d05);
  STEP(H, a, b, c, d, x[9], S31, 0xd9d4d039);
  STEP(H, d, a, b, c, x[12], S32, 0xe6db99e5);
  STEP(H, c, d, a, b, x[15], S33, 0x1fa27cf8);
  STEP(H, b, c, d, a, x[2], S34, 0xc4ac5665);

  STEP(I, a, b, c, d, x[0], S41, 0xf4292244);
  STEP(I, d, a, b, c, x[7], S42, 0x432aff97);
  STEP(I, c, d, a, b, x[14], S43, 0xab9423a7);
  STEP(I, b, c, d, a, x[5], S44, 0xfc93a039);
  STEP(I, a, b, c, d, x[12], S41, 0x655b59c3);
  STEP(I, d, a, b, c, x[3], S42, 0x8f0ccc92);
  STEP(I, c, d, a, b, x[10], S43, 0xffeff47d);
  STEP(I, b, c, d, a, x[1], S44, 0x85845dd1);
  STEP(I, a, b, c, d, x[8], S41, 0x6fa87e4f);
  STEP(I, d, a, b, c, x[15], S42, 0xfe2ce6e0);
  STEP(I, c, d, a, b, x[6], S43, 0xa3014314);
  STEP(I, b, c, d, a, x[13], S44, 0x4e0811a1);
  STEP(I, a, b, c, d, x[4], S41, 0xf7537e82);
  STEP(I, d, a, b, c, x[11], S42, 0xbd3af235);
  STEP(I, c, d, a, b, x[2], S43, 0x2ad7d2bb);
  STEP(I, b, c, d, a, x[9], S44, 0xeb86d391);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

void Md5Update(Md5Context* c, const unsigned char* bytes, uint32_t length) {
  uint32_t index = (c->count[0] >> 3) & 0x3f;
  uint32_t bits = length << 3;
  c->count[0] += bits;
  if (c->count[0] < bits) c->count[1] += 1;
  c->count[1] += length >> 29;
  uint32_t room = 64 - index;
  uint32_t i = 0;
  if (length >= room) {
    memcpy(c->buffer + index, bytes, room);
    Md5Transform(c->state, c->buffer);
    // Whole blocks straight from the caller's bytes.
    for (i = room; i + 63 < length; i += 64) Md5Transform(c->state, bytes + i);
    index = 0;
  }
  if (length > i) memcpy(c->buffer + index, bytes + i, length - i);
}

void Md5Final(unsigned char digest[16], Md5Context* c) {
  unsigned char bits[8];
  EncodeLittleEndian(bits, c->count, 2);
  uint32_t index = (c->count[0] >> 3) & 0x3f;
  uint32_t padLength = index < 56 ? 56 - index : 120 - index;
  Md5Update(c, kPadding, padLength);
  Md5Update(c, bits, 8);
  EncodeLittleEndian(digest, c->state, 4);
  memset(c, 0, sizeof *c);
}

void DigestToHex(const unsigned char digest[16], char* text) {
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0x0f];
  }
  text[32] = 0;
}
