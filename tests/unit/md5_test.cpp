#include "web/md5.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Hex(const unsigned char digest[16]) {
  char text[33];
  DigestToHex(digest, text);
  return text;
}

// Feeds the message in pieces of `piece` bytes (the whole message when 0).
std::string Md5InPieces(const std::vector<unsigned char>& message,
                        size_t piece) {
  Md5Context context;
  Md5Init(&context);
  if (piece == 0) piece = message.size() + 1;
  for (size_t at = 0; at < message.size(); at += piece) {
    size_t length = std::min(piece, message.size() - at);
    Md5Update(&context, message.data() + at, static_cast<uint32_t>(length));
  }
  unsigned char digest[16];
  Md5Final(digest, &context);
  return Hex(digest);
}

std::string Md5Of(const std::string& text) {
  return Md5InPieces(std::vector<unsigned char>(text.begin(), text.end()), 0);
}

std::string OpenSslMd5(const std::vector<unsigned char>& message) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(message.data(), message.size(), digest, &length, EVP_md5(),
             nullptr);
  EXPECT_EQ(length, 16u);
  return Hex(digest);
}

std::vector<unsigned char> Pattern(size_t length) {
  std::vector<unsigned char> bytes(length);
  for (size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<unsigned char>((i * 37 + 11) & 0xff);
  return bytes;
}

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
  struct {
    const char* message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890"
       "1234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Md5Of(c.message), c.digest) << c.message;
}

// Lengths around the padding boundary (55 fits padding and length in one
// block, 56 needs a second) and the block boundary, fed whole and in pieces
// that cut the blocks in every way, against an independent MD5.
TEST(Md5, BoundaryLengthsWholeAndInPieces) {
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 127u, 128u, 129u, 1000u}) {
    std::vector<unsigned char> message = Pattern(length);
    std::string expected = OpenSslMd5(message);
    for (size_t piece : {0u, 1u, 3u, 63u, 64u})
      EXPECT_EQ(Md5InPieces(message, piece), expected)
          << "length " << length << " piece " << piece;
  }
}

TEST(Md5, RandomMessagesMatchOpenSsl) {
  srand(20260101);
  for (int round = 0; round < 200; ++round) {
    std::vector<unsigned char> message(static_cast<size_t>(rand() % 700));
    for (unsigned char& b : message) b = static_cast<unsigned char>(rand());
    size_t piece = static_cast<size_t>(rand() % 80);
    EXPECT_EQ(Md5InPieces(message, piece), OpenSslMd5(message))
        << "length " << message.size() << " piece " << piece;
  }
}

// An empty update between pieces changes nothing; after the final step the
// whole context is zero.
TEST(Md5, EmptyUpdateAndContextWipedAfterFinal) {
  const std::string text = "message digest";
  Md5Context context;
  memset(&context, 0xa5, sizeof context);
  Md5Init(&context);
  Md5Update(&context, reinterpret_cast<const unsigned char*>(text.data()), 7);
  Md5Context before = context;
  Md5Update(&context, reinterpret_cast<const unsigned char*>(""), 0);
  EXPECT_EQ(memcmp(&context, &before, sizeof context), 0);
  Md5Update(&context, reinterpret_cast<const unsigned char*>(text.data()) + 7,
            7);
  Md5Update(&context, nullptr, 0);
  unsigned char digest[16];
  Md5Final(digest, &context);
  EXPECT_EQ(Hex(digest), "f96b697d7cb7938d525a2f31aaf161d0");
  Md5Context zero;
  memset(&zero, 0, sizeof zero);
  EXPECT_EQ(memcmp(&context, &zero, sizeof context), 0);
}

TEST(Md5, DigestToHexWritesTwoLowercaseDigitsPerByte) {
  unsigned char digest[16] = {0x00, 0x0f, 0xa0, 0xff, 0x01, 0x10, 0x9a, 0xa9,
                              0x5c, 0xc5, 0x7e, 0xe7, 0x80, 0x08, 0xbd, 0xdb};
  char text[34];
  memset(text, 'X', sizeof text);
  DigestToHex(digest, text);
  EXPECT_STREQ(text, "000fa0ff01109aa95cc57ee78008bddb");
  EXPECT_EQ(text[33], 'X');
}
