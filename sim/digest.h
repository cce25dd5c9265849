// Server side of HTTP Digest access authentication (RFC 2617), computed
// with OpenSSL's MD5.
#pragma once

#include <map>
#include <string>

namespace duxsim {

struct DigestConfig {
  std::string user;
  std::string password;
  std::string realm;
  std::string qop;        // as offered in the challenge; empty: none
  std::string algorithm;  // as offered; empty: none (plain MD5)
  std::string opaque;     // empty: none
};

// 32 lowercase hexadecimal characters of MD5(text).
std::string Md5Hex(const std::string& text);

// Splits the value of an Authorization header ("Digest k=v, k=\"v\", ...")
// into lower-case directive names and their values. Gives false when the
// scheme is not Digest or the list cannot be read.
bool ParseDigestAuthorization(const std::string& value,
                              std::map<std::string, std::string>* params);

// Checks every directive except the freshness of the nonce, and the response
// against the nonce the client named. Gives "" when the answer is correct,
// else a one-word reason (user, realm, opaque, algorithm, qop, uri, nc,
// cnonce, response, syntax).
std::string CheckDigestAnswer(const std::map<std::string, std::string>& params,
                              const DigestConfig& config,
                              const std::string& method,
                              const std::string& target);

}  // namespace duxsim
