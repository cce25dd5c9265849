// The MD5 message digest (RFC 1321) and its hexadecimal text.
#pragma once

#include <cstdint>

struct Md5Context {
  uint32_t state[4];  // A, B, C, D
  uint32_t count[2];  // bits fed so far, modulo 2^64, low word first
  unsigned char buffer[64];
};

void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const unsigned char* bytes,
               uint32_t length);
void Md5Final(unsigned char digest[16], Md5Context* context);
void Md5Transform(uint32_t state[4], const unsigned char block[64]);
// 32 lowercase hexadecimal characters and a NUL (33 bytes).
void DigestToHex(const unsigned char digest[16], char* text);
