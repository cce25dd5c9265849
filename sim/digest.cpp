#include "digest.h"

#include <openssl/evp.h>
#include <strings.h>

#include <cctype>
#include <vector>

namespace duxsim {

namespace {

std::string Md5Raw(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string ToHex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

bool IsHex(const std::string& text) {
  for (unsigned char c : text)
    if (!std::isxdigit(c)) return false;
  return !text.empty();
}

bool SameText(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

void SkipBlanks(const std::string& s, size_t* i) {
  while (*i < s.size() && (s[*i] == ' ' || s[*i] == '\t')) ++*i;
}

const std::string* Find(const std::map<std::string, std::string>& params,
                        const char* name) {
  auto it = params.find(name);
  return it == params.end() ? nullptr : &it->second;
}

}  // namespace

std::string Md5Hex(const std::string& text) { return ToHex(Md5Raw(text)); }

bool ParseDigestAuthorization(const std::string& value,
                              std::map<std::string, std::string>* params) {
  params->clear();
  size_t i = 0;
  SkipBlanks(value, &i);
  if (value.size() < i + 6 || strncasecmp(value.c_str() + i, "Digest", 6) != 0)
    return false;
  i += 6;
  if (i < value.size() && value[i] != ' ' && value[i] != '\t') return false;
  std::string lastName;  // the previous directive, when its value was bare
  while (i < value.size()) {
    SkipBlanks(value, &i);
    if (i < value.size() && value[i] == ',') {
      ++i;
      continue;
    }
    if (i >= value.size()) break;
    size_t start = i;
    while (i < value.size() && value[i] != '=' && value[i] != ',' &&
           value[i] != ' ' && value[i] != '\t')
      ++i;
    std::string name = value.substr(start, i - start);
    SkipBlanks(value, &i);
    if (i >= value.size() || value[i] != '=') {
      // A bare word after a bare value continues it: an unquoted qop list
      // such as qop=auth,auth-int.
      if (lastName.empty() || name.empty()) return false;
      (*params)[lastName] += "," + name;
      continue;
    }
    ++i;
    SkipBlanks(value, &i);
    std::string v;
    bool quotedValue = i < value.size() && value[i] == '"';
    if (quotedValue) {
      ++i;
      while (i < value.size() && value[i] != '"') {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        v += value[i++];
      }
      if (i >= value.size()) return false;  // no closing quote
      ++i;
    } else {
      while (i < value.size() && value[i] != ',' && value[i] != ' ' &&
             value[i] != '\t')
        v += value[i++];
    }
    if (name.empty()) return false;
    for (char& c : name) c = static_cast<char>(std::tolower(c));
    if (params->count(name)) return false;  // a directive given twice
    (*params)[name] = v;
    lastName = quotedValue ? std::string() : name;
  }
  return true;
}

std::string CheckDigestAnswer(const std::map<std::string, std::string>& params,
                              const DigestConfig& config,
                              const std::string& method,
                              const std::string& target) {
  const std::string* user = Find(params, "username");
  const std::string* realm = Find(params, "realm");
  const std::string* nonce = Find(params, "nonce");
  const std::string* uri = Find(params, "uri");
  const std::string* response = Find(params, "response");
  if (!user || !realm || !nonce || !uri || !response) return "syntax";
  if (*user != config.user) return "user";
  if (*realm != config.realm) return "realm";
  if (!config.opaque.empty()) {
    const std::string* opaque = Find(params, "opaque");
    if (!opaque || *opaque != config.opaque) return "opaque";
  }

  // The algorithm may be echoed in any letter case, or left out (or empty)
  // when the challenge offered plain MD5 or none.
  const bool sess = SameText(config.algorithm, "MD5-sess");
  const std::string* algorithm = Find(params, "algorithm");
  if (algorithm && !algorithm->empty()) {
    if (!SameText(*algorithm, config.algorithm.empty() ? std::string("MD5")
                                                       : config.algorithm))
      return "algorithm";
  } else if (sess) {
    return "algorithm";
  }

  // The qop is either the one the challenge offered, whole, or one of the
  // options of its list.
  const std::string* qop = Find(params, "qop");
  if (config.qop.empty()) {
    if (qop && !qop->empty()) return "qop";
  } else {
    if (!qop) return "qop";
    bool offered = *qop == config.qop;
    size_t start = 0;
    for (;;) {
      size_t comma = config.qop.find(',', start);
      if (SameText(*qop, config.qop.substr(start, comma - start)))
        offered = true;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (!offered) return "qop";
  }
  const bool withQop = qop && !qop->empty();

  // The digest URI is the request target or, as the wizard sends it, empty.
  if (!uri->empty() && *uri != target) return "uri";

  const std::string* nc = Find(params, "nc");
  const std::string* cnonce = Find(params, "cnonce");
  if (withQop) {
    if (!nc || (nc->size() != 8 && nc->size() != 9) || !IsHex(*nc)) return "nc";
    if (!cnonce) return "cnonce";
  }
  if (sess && !cnonce) return "cnonce";
  if (response->size() != 32 || !IsHex(*response)) return "response";

  // md5-sess: RFC 2617 hashes the hexadecimal text of MD5(user:realm:pass);
  // the wizard hashes its raw 16 bytes. Either is accepted.
  const std::string a1 =
      config.user + ":" + config.realm + ":" + config.password;
  std::vector<std::string> ha1s;
  if (sess) {
    const std::string tail = ":" + *nonce + ":" + *cnonce;
    ha1s.push_back(Md5Hex(Md5Raw(a1) + tail));
    ha1s.push_back(Md5Hex(Md5Hex(a1) + tail));
  } else {
    ha1s.push_back(Md5Hex(a1));
  }
  std::string a2 = method + ":" + *uri;
  if (withQop && SameText(*qop, "auth-int")) a2 += ":" + Md5Hex("");
  const std::string ha2 = Md5Hex(a2);
  for (const std::string& ha1 : ha1s) {
    std::string expected = withQop
                               ? Md5Hex(ha1 + ":" + *nonce + ":" + *nc + ":" +
                                        *cnonce + ":" + *qop + ":" + ha2)
                               : Md5Hex(ha1 + ":" + *nonce + ":" + ha2);
    if (SameText(expected, *response)) return "";
  }
  return "response";
}

}  // namespace duxsim
