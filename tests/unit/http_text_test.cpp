#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "web/digest.h"
#include "web/http.h"

TEST(HttpText, SocketAddressesCarryNetworkOrder) {
  PlatSockAddrIn a = MakeSocketAddress(0xC0A80102u, 23456);
  EXPECT_EQ(a.family, kPlatAfInet);
  const unsigned char* port = reinterpret_cast<const unsigned char*>(&a.port);
  const unsigned char* address =
      reinterpret_cast<const unsigned char*>(&a.address);
  EXPECT_EQ(port[0], 0x5b);  // 23456 = 0x5ba0, most significant byte first
  EXPECT_EQ(port[1], 0xa0);
  EXPECT_EQ(address[0], 192);
  EXPECT_EQ(address[1], 168);
  EXPECT_EQ(address[2], 1);
  EXPECT_EQ(address[3], 2);

  PlatSockAddrIn any = MakeSocketAddress(0, 69);
  EXPECT_EQ(any.address, 0u);

  uint32_t back = 0;
  uint16_t backPort = 0;
  SplitSocketAddress(&a, &back, &backPort);
  EXPECT_EQ(back, 0xC0A80102u);
  EXPECT_EQ(backPort, 23456);
}

TEST(HttpText, ClassifiesResponses) {
  const std::string challenge =
      "\r\nWWW-Authenticate: Digest realm=\"dux\", nonce=\"n1\"\r\n\r\n";
  struct {
    const char* what;
    std::string text;
    int32_t result;
  } cases[] = {
      {"ok", "HTTP/1.1 200 OK\r\n\r\n", 0},
      {"two blanks and a tab", "HTTP/1.1  \t200 OK", 0},
      {"any ninth character", "HTTP/1.1x200", 0},
      {"only three digits compared", "HTTP/1.1 2001", 0},
      {"challenge", "HTTP/1.1 401 Unauthorized" + challenge, 1},
      {"ends after the version", "HTTP/1.1", -2},
      {"ends after the blank", "HTTP/1.1 ", -2},
      {"only blanks and tabs", "HTTP/1.1 \t \t", -2},
      {"HTTP/1.0 challenge", "HTTP/1.0 401 Unauthorized" + challenge, -1},
      {"lowercase version", "http/1.1 200 OK", -1},
      {"empty", "", -1},
      {"leading blank", " HTTP/1.1 200 OK", -1},
      {"not found", "HTTP/1.1 404 Not Found\r\n\r\n<p>Product Name:</p>", 2},
      {"short code", "HTTP/1.1 20", 2},
      {"401 without challenge", "HTTP/1.1 401 Unauthorized\r\n\r\n", 2},
      {"header name case matters",
       "HTTP/1.1 401 Unauthorized\r\nwww-authenticate: Digest realm=\"r\", "
       "nonce=\"n\"",
       2},
      {"challenge without nonce",
       "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\"", 2},
      {"challenge without realm",
       "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest nonce=\"n\"", 2},
      {"200 with a challenge header", "HTTP/1.1 200 OK" + challenge, 0},
  };
  for (const auto& c : cases) {
    DigestState state{};
    EXPECT_EQ(ClassifyHttpResponse(c.text.c_str(), &state), c.result) << c.what;
    if (c.result == 1) {
      EXPECT_STREQ(state.realm, "dux") << c.what;
      EXPECT_STREQ(state.nonce, "n1") << c.what;
    } else {
      EXPECT_STREQ(state.nonce, "") << c.what;  // no challenge was stored
    }
  }
}

// The challenge is searched only from "WWW-Authenticate:" on: a key in an
// earlier header line is not seen, later lines and the body are.
TEST(HttpText, ChallengeStartsAtItsHeader) {
  DigestState state{};
  EXPECT_EQ(ClassifyHttpResponse(
                "HTTP/1.1 401 Unauthorized\r\nX-Note: realm=\"early\"\r\n"
                "WWW-Authenticate: Digest qop=\"auth\"\r\nX-More: "
                "realm=\"late\"\r\n\r\nnonce=\"inbody\"",
                &state),
            1);
  EXPECT_STREQ(state.realm, "late");
  EXPECT_STREQ(state.nonce, "inbody");
  EXPECT_STREQ(state.qop, "auth");

  // A challenge lacking its nonce still stores the realm it carried.
  EXPECT_EQ(ClassifyHttpResponse("HTTP/1.1 401 No\r\nWWW-Authenticate: "
                                 "Digest realm=\"other\"",
                                 &state),
            2);
  EXPECT_STREQ(state.realm, "other");
  EXPECT_STREQ(state.nonce, "inbody");
}

TEST(HttpText, ScrapesLabelValues) {
  const std::string long200(200, 'v');
  struct {
    const char* what;
    std::string text;
    const char* label;
    std::string field;  // what the field holds afterwards ("OLD" = untouched)
  } cases[] = {
      {"run of tags", "<td>Product Name:</td><td><b>X1</b></td>",
       "Product Name:", "X1"},
      {"blank between cells", "<td>Product Name:</td> <td><b>X1</b></td>",
       "Product Name:", " "},
      {"empty cell takes the next label",
       "<td>Serial Number:</td><td></td></tr><tr><td>MAC Address:</td>"
       "<td>00:0E:08:01:02:03</td>",
       "Serial Number:", "MAC Address:"},
      {"value cut at 127", "Software Version:<b>" + long200 + "</b>",
       "Software Version:", long200.substr(0, 127)},
      {"value up to the end of the text", "Hardware Version:<b>1.0",
       "Hardware Version:", "1.0"},
      {"end right after the last tag", "Hardware Version:<b>",
       "Hardware Version:", ""},
      {"copied unchanged", "MAC Address:<td> a&amp;b\r\n</td>",
       "MAC Address:", " a&amp;b\r\n"},
      {"first occurrence wins, headers too",
       "HTTP/1.1 200 OK\r\nX-Serial Number: h>head<\r\n\r\n"
       "<td>Serial Number:</td><td>S1</td>",
       "Serial Number:", "head"},
      {"label missing", "<td>Product name:</td><td>X1</td>",
       "Product Name:", "OLD"},
      {"no '>' after the label", "Product Name: X1", "Product Name:", "OLD"},
      {"tag never closed", "Product Name:</td><td", "Product Name:", "OLD"},
  };
  for (const auto& c : cases) {
    char field[kDeviceTextSize + 8];
    memset(field, 'G', sizeof field);
    strcpy(field, "OLD");
    ScrapeLabelValue(c.text.c_str(), c.label, field, 127);
    EXPECT_EQ(std::string(field), c.field) << c.what;
    for (size_t i = c.field.size() + 1; i < sizeof field; ++i) {
      if (i < 4) continue;  // the rest of "OLD" may remain
      ASSERT_EQ(field[i], 'G') << c.what << " byte " << i;
    }
  }
}

TEST(HttpText, ScrapeHonoursTheLimit) {
  char field[8];
  memset(field, 'G', sizeof field);
  ScrapeLabelValue("Serial Number:<td>123456789</td>", "Serial Number:", field,
                   5);
  EXPECT_STREQ(field, "12345");
  EXPECT_EQ(field[6], 'G');
}
