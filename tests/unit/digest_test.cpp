#include "web/digest.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// --- an independent computation of the line, over OpenSSL's MD5 -----------

std::string RawMd5(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
  return std::string(reinterpret_cast<char*>(digest), length);
}

std::string HexMd5(const std::string& bytes) {
  std::string raw = RawMd5(bytes), hex;
  char two[3];
  for (unsigned char b : raw) {
    snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string ExpectedHA1(const std::string& algorithm, const std::string& user,
                        const std::string& realm, const std::string& password,
                        const std::string& nonce, const std::string& cnonce) {
  std::string plain = user + ":" + realm + ":" + password;
  if (Lower(algorithm) == "md5-sess")
    return HexMd5(RawMd5(plain) + ":" + nonce + ":" + cnonce);
  return HexMd5(plain);
}

std::string ExpectedResponse(const std::string& ha1, const std::string& nonce,
                             const std::string& nc, const std::string& cnonce,
                             const std::string& qop, const std::string& method,
                             const std::string& uri,
                             const std::string& entity) {
  std::string a2 = method + ":" + uri;
  if (Lower(qop) == "auth-int") {
    a2 += ':';
    a2 += HexMd5(entity);
  }
  std::string ha2 = HexMd5(a2);
  if (qop.empty()) return HexMd5(ha1 + ":" + nonce + ":" + ha2);
  return HexMd5(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + qop + ":" +
                ha2);
}

std::string ExpectedLine(const DigestState& s) {
  char nc[16];
  snprintf(nc, sizeof nc, "%09x", s.nonceCount);
  std::string ha1 = ExpectedHA1(s.algorithm, s.userName, s.realm, s.password,
                                s.nonce, s.clientNonce);
  std::string response =
      ExpectedResponse(ha1, s.nonce, nc, s.clientNonce, s.qop, "GET", "", "");
  std::string line = std::string("Authorization: Digest username=\"") +
                     s.userName + "\",realm=\"" + s.realm + "\",nonce=\"" +
                     s.nonce + "\",uri=\"\",algorithm=\"" + s.algorithm +
                     "\",response=\"" + response + "\"";
  if (s.opaque[0]) line += std::string(",opaque=\"") + s.opaque + "\"";
  if (s.qop[0])
    line += std::string(",qop=") + s.qop + ",nc=" + nc + ",cnonce=\"" +
            s.clientNonce + "\"";
  return line + "\r\n";
}

std::string Built(const DigestState& state) {
  char line[2048];
  memset(line, 'X', sizeof line);
  int32_t n = BuildDigestAuthorization(&state, line, sizeof line);
  EXPECT_EQ(n, static_cast<int32_t>(strlen(line)));
  return std::string(line, static_cast<size_t>(n));
}

DigestState WithCredentials(const char* user, const char* password) {
  DigestState state{};
  snprintf(state.userName, sizeof state.userName, "%s", user);
  snprintf(state.password, sizeof state.password, "%s", password);
  return state;
}

}  // namespace

// RFC 2617, section 3.5: the request digest of its worked example.
TEST(Digest, Rfc2617WorkedExample) {
  char ha1[33], response[33];
  ComputeDigestHA1("MD5", "Mufasa", "testrealm@host.com", "Circle Of Life",
                   "dcd98b7102dd2f0e8b11d0f600bfb0c093", "0a4f113b", ha1);
  EXPECT_STREQ(ha1, "939e7578ed9e3c518a452acee763bce9");
  ComputeDigestResponse(ha1, "dcd98b7102dd2f0e8b11d0f600bfb0c093", "00000001",
                        "0a4f113b", "auth", "GET", "/dir/index.html", "",
                        response);
  EXPECT_STREQ(response, "6629fae49393a05397450978507c4ef1");
}

TEST(Digest, HA1PlainAndSessionForms) {
  const char* algorithms[] = {"",         "MD5",      "md5",       "md5-sess",
                              "MD5-sess", "MD5-SESS", "md5-sess2", "SHA-256"};
  for (const char* algorithm : algorithms) {
    char ha1[33];
    ComputeDigestHA1(algorithm, "admin", "dux", "s3cret", "abc123", "7f1", ha1);
    EXPECT_EQ(ha1,
              ExpectedHA1(algorithm, "admin", "dux", "s3cret", "abc123", "7f1"))
        << algorithm;
  }
  // The session form hashes the raw 16-byte digest, not its hexadecimal text.
  char session[33];
  ComputeDigestHA1("md5-sess", "admin", "dux", "s3cret", "abc123", "7f1",
                   session);
  EXPECT_NE(session, HexMd5(HexMd5("admin:dux:s3cret") + ":abc123:7f1"));
}

TEST(Digest, ResponseFormsByQop) {
  struct {
    const char* qop;
    const char* body;
  } cases[] = {
      {"", ""},          {"auth", ""},           {"auth-int", ""},
      {"AUTH-INT", "x"}, {"auth-int", "a body"}, {"auth,auth-int", "body"},
  };
  char ha1[33];
  ComputeDigestHA1("", "u", "r", "p", "n", "c", ha1);
  for (const auto& c : cases) {
    char response[33];
    ComputeDigestResponse(ha1, "nonce1", "000000002", "1a2b", c.qop, "GET",
                          "/admin/advanced", c.body, response);
    EXPECT_EQ(response,
              ExpectedResponse(ha1, "nonce1", "000000002", "1a2b", c.qop, "GET",
                               "/admin/advanced", c.body))
        << "qop '" << c.qop << "' body '" << c.body << "'";
  }
  // Only auth-int hashes the entity; a list does not count as auth-int.
  char withBody[33], withoutBody[33];
  ComputeDigestResponse(ha1, "n", "1", "c", "auth,auth-int", "GET", "", "b",
                        withBody);
  ComputeDigestResponse(ha1, "n", "1", "c", "auth,auth-int", "GET", "", "",
                        withoutBody);
  EXPECT_STREQ(withBody, withoutBody);
}

TEST(Digest, ParsesDirectivesByKeySearch) {
  const std::string long200(200, 'v');
  struct Case {
    const char* what;
    std::string challenge;
    int32_t result;
    std::string realm, nonce, qop, algorithm, opaque;
  } cases[] = {
      {"all directives",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"n1\", qop=\"auth\", "
       "algorithm=\"MD5-sess\", opaque=\"op\"\r\n\r\n",
       0, "dux", "n1", "auth", "MD5-sess", "op"},
      {"order does not matter, list kept whole",
       "WWW-Authenticate: Digest "
       "opaque=\"o\",qop=\"auth,auth-int\",nonce=\"n\","
       "realm=\"r\"",
       0, "r", "n", "auth,auth-int", "", "o"},
      {"unquoted directives are absent",
       "WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", qop=auth, "
       "algorithm=MD5, opaque=o",
       0, "r", "n", "", "", ""},
      {"keys after the header line and in the body",
       "WWW-Authenticate: Digest realm=\"r\"\r\nX-Other: nonce=\"late\"\r\n\r\n"
       "<p>qop=\"auth\"</p>",
       0, "r", "late", "auth", "", ""},
      {"first match wins, even inside a longer name",
       "WWW-Authenticate: Digest cnonce=\"c\", nonce=\"n\", realm=\"r\"", 0,
       "r", "c", "", "", ""},
      {"keys are case-sensitive",
       "WWW-Authenticate: Digest Realm=\"R\", realm=\"r\", NONCE=\"N\", "
       "nonce=\"n\", QOP=\"auth\"",
       0, "r", "n", "", "", ""},
      {"empty values", "WWW-Authenticate: Digest realm=\"\", nonce=\"\"", 0, "",
       "", "", "", ""},
      {"value without closing quote runs to the end",
       "WWW-Authenticate: Digest realm=\"r\", nonce=\"to the end", 0, "r",
       "to the end", "", "", ""},
      {"values copied verbatim",
       "WWW-Authenticate: Digest realm=\" a\\\\b \", nonce=\"n&amp;\"", 0,
       " a\\\\b ", "n&amp;", "", "", ""},
      {"overlong values cut at their fields",
       "WWW-Authenticate: Digest realm=\"" + long200 + "\", nonce=\"" +
           long200 + "\", qop=\"" + long200 + "\", algorithm=\"" + long200 +
           "\", opaque=\"" + long200 + "\"",
       0, long200.substr(0, 127), long200.substr(0, 127), long200.substr(0, 15),
       long200.substr(0, 15), long200.substr(0, 127)},
  };
  for (const Case& c : cases) {
    DigestState state{};
    memset(&state, 0, sizeof state);
    EXPECT_EQ(ParseDigestChallenge(c.challenge.c_str(), &state), c.result)
        << c.what;
    EXPECT_EQ(state.realm, c.realm) << c.what;
    EXPECT_EQ(state.nonce, c.nonce) << c.what;
    EXPECT_EQ(state.qop, c.qop) << c.what;
    EXPECT_EQ(state.algorithm, c.algorithm) << c.what;
    EXPECT_EQ(state.opaque, c.opaque) << c.what;
    EXPECT_EQ(state.previousNonce, c.nonce) << c.what;
  }
}

// An overlong value never reaches past its field: the bytes behind each
// field in the record are still what they were.
TEST(Digest, OverlongValuesNeverOverrunTheRecord) {
  const std::string v(500, 'z');
  std::string challenge = "WWW-Authenticate: Digest realm=\"" + v +
                          "\", nonce=\"" + v + "\", qop=\"" + v +
                          "\", algorithm=\"" + v + "\", opaque=\"" + v + "\"";
  struct Guarded {
    DigestState state;
    char guard[64];
  } g;
  memset(&g, 'G', sizeof g);
  g.state.previousNonce[0] = 0;
  ASSERT_EQ(ParseDigestChallenge(challenge.c_str(), &g.state), 0);
  EXPECT_EQ(strlen(g.state.realm), 127u);
  EXPECT_EQ(strlen(g.state.nonce), 127u);
  EXPECT_EQ(strlen(g.state.previousNonce), 127u);
  EXPECT_EQ(strlen(g.state.qop), 15u);
  EXPECT_EQ(strlen(g.state.algorithm), 15u);
  EXPECT_EQ(strlen(g.state.opaque), 127u);
  // Fields the parser does not own keep their bytes.
  for (char c : g.state.userName) ASSERT_EQ(c, 'G');
  for (char c : g.state.password) ASSERT_EQ(c, 'G');
  for (char c : g.state.digestUri) ASSERT_EQ(c, 'G');
  for (char c : g.guard) ASSERT_EQ(c, 'G');
}

// With every field at its limit (values cut from an overlong challenge, user
// name of 127 characters, a four-digit client nonce) the line is 697
// characters long, and 824 with a full digest URI as well.
TEST(Digest, LongestLineStaysBounded) {
  const std::string v(500, 'z');
  std::string challenge = "WWW-Authenticate: Digest realm=\"" + v +
                          "\", nonce=\"" + v + "\", qop=\"" + v +
                          "\", algorithm=\"" + v + "\", opaque=\"" + v + "\"";
  DigestState state = WithCredentials(std::string(127, 'u').c_str(),
                                      std::string(127, 'p').c_str());
  ASSERT_EQ(ParseDigestChallenge(challenge.c_str(), &state), 0);
  snprintf(state.clientNonce, sizeof state.clientNonce, "7fff");
  state.nonceCount = 0xffffffffu;
  std::string line = Built(state);
  EXPECT_EQ(line.size(), 697u);
  EXPECT_EQ(line, ExpectedLine(state));

  memset(state.digestUri, 'd', sizeof state.digestUri - 1);
  EXPECT_EQ(Built(state).size(), 824u);
}

TEST(Digest, MissingRealmOrNonce) {
  DigestState before{};
  snprintf(before.realm, sizeof before.realm, "old realm");
  snprintf(before.nonce, sizeof before.nonce, "old nonce");
  snprintf(before.previousNonce, sizeof before.previousNonce, "old nonce");
  snprintf(before.clientNonce, sizeof before.clientNonce, "abc");
  snprintf(before.qop, sizeof before.qop, "auth");
  snprintf(before.opaque, sizeof before.opaque, "old opaque");
  before.nonceCount = 5;

  // Without a realm nothing changes.
  DigestState state = before;
  EXPECT_EQ(
      ParseDigestChallenge(
          "WWW-Authenticate: Digest nonce=\"new\", qop=\"auth-int\"", &state),
      1);
  EXPECT_EQ(memcmp(&state, &before, sizeof state), 0);

  // Without a nonce only the realm is taken; no client nonce is made.
  state = before;
  EXPECT_EQ(
      ParseDigestChallenge(
          "WWW-Authenticate: Digest realm=\"new realm\", opaque=\"x\"", &state),
      1);
  DigestState expected = before;
  snprintf(expected.realm, sizeof expected.realm, "new realm");
  EXPECT_EQ(memcmp(&state, &expected, sizeof state), 0);
}

// The count survives a repeated nonce and restarts at a new one; the client
// nonce is drawn afresh at every challenge: the generator's next number
// taken into 0..32767, in "%x".
TEST(Digest, NonceChangeResetsCountAndClientNonceIsRenewed) {
  DigestState state = WithCredentials("admin", "pw");
  const char* first = "WWW-Authenticate: Digest realm=\"r\", nonce=\"AAA\"";
  const char* second = "WWW-Authenticate: Digest realm=\"r\", nonce=\"BBB\"";
  struct {
    const char* challenge;
    uint32_t countBefore;
    uint32_t countAfter;
  } steps[] = {
      {first, 0, 0},  {first, 3, 3}, {second, 3, 0},
      {second, 1, 1}, {first, 7, 0},
  };
  unsigned seed = 4242;
  for (const auto& step : steps) {
    state.nonceCount = step.countBefore;
    srand(++seed);
    char cnonce[16];
    snprintf(cnonce, sizeof cnonce, "%x",
             static_cast<unsigned>(rand() % 32768));
    srand(seed);  // the parser draws the same value
    ASSERT_EQ(ParseDigestChallenge(step.challenge, &state), 0);
    EXPECT_EQ(state.nonceCount, step.countAfter) << step.challenge;
    EXPECT_STREQ(state.previousNonce, state.nonce);
    EXPECT_STREQ(state.clientNonce, cnonce);
  }
}

TEST(Digest, BuiltLinesMatchIndependentComputation) {
  struct Case {
    const char* what;
    const char* challenge;
    const char* user;
    uint32_t count;
  } cases[] = {
      {"qop auth and opaque",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\", qop=\"auth\", "
       "opaque=\"0p4q\"",
       "admin", 1},
      {"no qop, no opaque",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\"", "admin", 1},
      {"md5-sess",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\", "
       "algorithm=\"MD5-sess\", qop=\"auth\"",
       "admin", 2},
      {"plain MD5 named",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\", "
       "algorithm=\"MD5\", qop=\"auth\"",
       "admin", 0x1234},
      {"auth-int in capitals",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\", "
       "qop=\"AUTH-INT\"",
       "admin", 1},
      {"qop list sent whole",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"5f2a\", "
       "qop=\"auth,auth-int\"",
       "admin", 9},
      {"empty user name and nonce",
       "WWW-Authenticate: Digest realm=\"dux\", nonce=\"\", qop=\"auth\"", "",
       1},
      {"largest count",
       "WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", "
       "qop=\"auth\"",
       "admin", 0xffffffffu},
  };
  srand(7);
  for (const Case& c : cases) {
    DigestState state = WithCredentials(c.user, "Circle Of Life");
    ASSERT_EQ(ParseDigestChallenge(c.challenge, &state), 0) << c.what;
    state.nonceCount = c.count;
    EXPECT_EQ(Built(state), ExpectedLine(state)) << c.what;
  }
}

// What the wire shows, spelled out for one challenge with qop and opaque and
// one without: directive order, bare commas, quoting, nine-digit count.
TEST(Digest, LineLayoutOnTheWire) {
  DigestState state = WithCredentials("admin", "pw");
  ASSERT_EQ(ParseDigestChallenge("WWW-Authenticate: Digest realm=\"dux\", "
                                 "nonce=\"n1\", qop=\"auth\", opaque=\"o1\", "
                                 "algorithm=\"MD5\"",
                                 &state),
            0);
  snprintf(state.clientNonce, sizeof state.clientNonce, "1f");
  state.nonceCount = 1;
  std::string response =
      ExpectedResponse(ExpectedHA1("", "admin", "dux", "pw", "n1", "1f"), "n1",
                       "000000001", "1f", "auth", "GET", "", "");
  EXPECT_EQ(Built(state),
            "Authorization: Digest username=\"admin\",realm=\"dux\","
            "nonce=\"n1\",uri=\"\",algorithm=\"MD5\",response=\"" +
                response +
                "\",opaque=\"o1\",qop=auth,nc=000000001,cnonce=\"1f\"\r\n");

  // A later challenge without qop, algorithm or opaque empties them.
  ASSERT_EQ(ParseDigestChallenge(
                "WWW-Authenticate: Digest realm=\"dux\", nonce=\"n2\"", &state),
            0);
  state.nonceCount = 1;
  response = ExpectedResponse(ExpectedHA1("", "admin", "dux", "pw", "n2", ""),
                              "n2", "", "", "", "GET", "", "");
  EXPECT_EQ(Built(state),
            "Authorization: Digest username=\"admin\",realm=\"dux\","
            "nonce=\"n2\",uri=\"\",algorithm=\"\",response=\"" +
                response + "\"\r\n");
}

// A room too small for the whole line gets an empty text and 0 (no room at
// all gets nothing); one byte more than the line's length is enough.
TEST(Digest, LineNeverOverrunsItsRoom) {
  DigestState state = WithCredentials("admin", "pw");
  ASSERT_EQ(ParseDigestChallenge("WWW-Authenticate: Digest realm=\"dux\", "
                                 "nonce=\"n1\", qop=\"auth\", opaque=\"o1\"",
                                 &state),
            0);
  state.nonceCount = 1;
  const std::string full = ExpectedLine(state);
  const int32_t n = static_cast<int32_t>(full.size());
  for (int32_t room : {0, 1, 2, 40, n - 2, n - 1, n, n + 1}) {
    std::vector<char> out(static_cast<size_t>(room) + 16, 'X');
    int32_t written = BuildDigestAuthorization(&state, out.data(), room);
    if (room == 0) {
      EXPECT_EQ(written, 0);  // no room even for the NUL: nothing written
    } else if (room > n) {
      EXPECT_EQ(written, n);
      EXPECT_EQ(std::string(out.data()), full);
    } else {
      EXPECT_EQ(written, 0) << room;
      EXPECT_EQ(out[0], '\0') << room;
    }
    for (size_t i = static_cast<size_t>(room); i < out.size(); ++i)
      ASSERT_EQ(out[i], 'X') << "room " << room << " byte " << i;
  }
}
