#include "options.h"

#include <arpa/inet.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace duxsim {

namespace {

const char kUsage[] =
    "usage: duxsim [options]\n"
    "A simulated DUX device: a web server with the status page and the\n"
    "upgrade request, and a TFTP client that fetches the firmware image.\n"
    "\n"
    "Web server:\n"
    "  --address A            IPv4 address to serve on (default 127.0.0.1)\n"
    "  --http-port P          web server TCP port (default 80)\n"
    "  --product TEXT         status page \"Product Name:\" (default "
    "\"DUXT6eM\")\n"
    "  --mac TEXT             (default \"00:0B:82:12:34:56\")\n"
    "  --software-version T   version reported before any upgrade (default "
    "\"7.1.4a\")\n"
    "  --hardware-version T   (default \"1.2\")\n"
    "  --serial TEXT          (default \"DX6E000123\")\n"
    "\n"
    "Digest protection:\n"
    "  --user U               Digest user (default \"admin\"); protection is "
    "on only\n"
    "                         with --password\n"
    "  --password P           enables Digest protection\n"
    "  --realm R              (default \"DUX\")\n"
    "  --qop Q                none | auth | auth-int | a list such as "
    "auth,auth-int\n"
    "                         (default auth)\n"
    "  --algorithm A          none | MD5 | MD5-sess (default MD5); \"none\" "
    "omits the\n"
    "                         directive\n"
    "  --opaque X             opaque value, or \"none\" (default none)\n"
    "  --nonce-every N        issue a new nonce every N requests that carried "
    "an\n"
    "                         Authorization (0 = never; default 0)\n"
    "  --stale-nonce-first    the first Authorization under each nonce is "
    "refused\n"
    "                         with a new nonce (stale=true)\n"
    "\n"
    "Firmware download:\n"
    "  --tftp-delay MS        idle delay between the upgrade request and the "
    "read\n"
    "                         request (default 300)\n"
    "  --tftp-options TEXT    options in the read request as name=value,... "
    "(default\n"
    "                         \"tsize=0\"; \"\" for none)\n"
    "  --save PATH            write each received image to PATH.1, PATH.2 ... "
    "in\n"
    "                         order; the last one also at PATH\n"
    "  --flash-time MS        web server down after the last block (default "
    "2000)\n"
    "  --report-version T     after an upgrade, report this version instead "
    "of the\n"
    "                         received image's\n"
    "  --silent-after-flash   never answer HTTP again after the flash\n"
    "  --exit-after N         exit with status 0 after N upgrades have "
    "completed\n"
    "                         (transfer + flash time); 0 = never (default 0)\n"
    "\n"
    "Faults (each seeded and optional):\n"
    "  --seed N               seed of every random fault (default 1)\n"
    "  --loss-data P          probability of losing each received DATA "
    "(0..1)\n"
    "  --loss-ack P           probability of losing each sent ACK\n"
    "  --dup-ack P            probability of sending each ACK twice\n"
    "  --foreign-ack P        probability of also sending each ACK from "
    "another UDP\n"
    "                         port\n"
    "  --reorder P            probability of holding back a sent ACK and "
    "sending it\n"
    "                         after the next one\n"
    "  --no-oack-ack          never acknowledge the option acknowledgement\n"
    "  --stop-after N         stop acknowledging after block N\n"
    "  --send-error           send a TFTP ERROR packet to the server right "
    "after the\n"
    "                         read request, then go on normally\n"
    "  --wrong-name-first     first send one read request with a wrong name "
    "(letter\n"
    "                         case changed), then the right one\n"
    "  --restart-at N         restart after receiving block N the first time: "
    "drop\n"
    "                         the transfer, wait, send a fresh read request "
    "for the\n"
    "                         same name from a new port (once)\n"
    "\n"
    "Other:\n"
    "  --events PATH          append one line per event to PATH\n"
    "  --fetch tftp://A:P/NAME  only download NAME from A:P as a TFTP client\n"
    "                         (with --save and the fault options), then exit:\n"
    "                         0 when the image arrived whole\n"
    "  --help                 this text\n";

bool ParseLong(const std::string& text, long low, long high, long* out) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  if (text.size() > 12) return false;
  long v = std::strtol(text.c_str(), nullptr, 10);
  if (v < low || v > high) return false;
  *out = v;
  return true;
}

bool ParseProbability(const std::string& text, double* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !(v >= 0.0 && v <= 1.0)) return false;
  *out = v;
  return true;
}

// A value that goes into a quoted header directive: printable ASCII without
// a double quote or a backslash.
bool QuotableText(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') return false;
  return true;
}

// A value shown on the status page: no line breaks or other control bytes.
bool PageText(const std::string& text) {
  if (text.size() > 127) return false;
  for (unsigned char c : text)
    if (c < 0x20) return false;
  return true;
}

bool ParseQop(const std::string& text, std::string* out) {
  if (text == "none") {
    out->clear();
    return true;
  }
  if (text.empty()) return false;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma - start);
    if (strcasecmp(item.c_str(), "auth") != 0 &&
        strcasecmp(item.c_str(), "auth-int") != 0)
      return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *out = text;
  return true;
}

bool ParseTftpOptions(const std::string& text,
                      std::vector<std::pair<std::string, std::string>>* out) {
  out->clear();
  if (text.empty()) return true;
  size_t start = 0;
  size_t total = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma - start);
    size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    std::string name = item.substr(0, eq);
    std::string value = item.substr(eq + 1);
    total += name.size() + value.size() + 2;
    out->emplace_back(name, value);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  // Name, mode and options must fit one 512-byte request comfortably.
  return total <= 256;
}

}  // namespace

const char* UsageText() { return kUsage; }

int ParseOptions(int argc, char** argv, Options* o, std::string* error) {
  using Setter = std::function<bool(const std::string&)>;
  auto text = [](std::string* field) {
    return [field](const std::string& v) {
      *field = v;
      return PageText(v);
    };
  };
  auto quoted = [](std::string* field) {
    return [field](const std::string& v) {
      *field = v;
      return QuotableText(v) && v.size() <= 127;
    };
  };
  auto integer = [](int* field, long low, long high) {
    return [=](const std::string& v) {
      long n = 0;
      if (!ParseLong(v, low, high, &n)) return false;
      *field = static_cast<int>(n);
      return true;
    };
  };
  auto block = [](long* field) {
    return [=](const std::string& v) { return ParseLong(v, 0, 65535, field); };
  };
  auto probability = [](double* field) {
    return [=](const std::string& v) { return ParseProbability(v, field); };
  };
  const std::map<std::string, Setter> valued = {
      {"--address",
       [o](const std::string& v) {
         in_addr a;
         o->address = v;
         return inet_pton(AF_INET, v.c_str(), &a) == 1;
       }},
      {"--http-port", integer(&o->httpPort, 1, 65535)},
      {"--product", text(&o->product)},
      {"--mac", text(&o->mac)},
      {"--software-version", text(&o->softwareVersion)},
      {"--hardware-version", text(&o->hardwareVersion)},
      {"--serial", text(&o->serial)},
      {"--user", quoted(&o->user)},
      {"--password",
       [o](const std::string& v) {
         o->password = v;
         o->protect = true;
         return v.size() <= 126;
       }},
      {"--realm", quoted(&o->realm)},
      {"--qop", [o](const std::string& v) { return ParseQop(v, &o->qop); }},
      {"--algorithm",
       [o](const std::string& v) {
         if (v == "none") {
           o->algorithm.clear();
           return true;
         }
         o->algorithm = v;
         return strcasecmp(v.c_str(), "MD5") == 0 ||
                strcasecmp(v.c_str(), "MD5-sess") == 0;
       }},
      {"--opaque",
       [o](const std::string& v) {
         if (v == "none") {
           o->opaque.clear();
           return true;
         }
         o->opaque = v;
         return !v.empty() && QuotableText(v) && v.size() <= 127;
       }},
      {"--nonce-every", integer(&o->nonceEvery, 0, 1000000)},
      {"--tftp-delay", integer(&o->tftpDelayMs, 0, 3600000)},
      {"--tftp-options",
       [o](const std::string& v) {
         return ParseTftpOptions(v, &o->tftpOptions);
       }},
      {"--save",
       [o](const std::string& v) {
         o->savePath = v;
         return !v.empty();
       }},
      {"--flash-time", integer(&o->flashTimeMs, 0, 3600000)},
      {"--seed",
       [o](const std::string& v) {
         long n = 0;
         if (!ParseLong(v, 0, 4294967295L, &n)) return false;
         o->seed = static_cast<uint32_t>(n);
         return true;
       }},
      {"--loss-data", probability(&o->lossData)},
      {"--loss-ack", probability(&o->lossAck)},
      {"--dup-ack", probability(&o->dupAck)},
      {"--foreign-ack", probability(&o->foreignAck)},
      {"--reorder", probability(&o->reorder)},
      {"--stop-after", block(&o->stopAfter)},
      {"--report-version",
       [o](const std::string& v) {
         o->reportVersion = v;
         o->hasReportVersion = true;
         return PageText(v);
       }},
      {"--restart-at", block(&o->restartAt)},
      {"--exit-after", integer(&o->exitAfter, 0, 1000000)},
      {"--events",
       [o](const std::string& v) {
         o->eventsPath = v;
         return !v.empty();
       }},
      {"--fetch",
       [o](const std::string& v) {
         o->fetchUrl = v;
         return !v.empty();
       }},
  };
  const std::map<std::string, bool*> flags = {
      {"--stale-nonce-first", &o->staleNonceFirst},
      {"--no-oack-ack", &o->noOackAck},
      {"--send-error", &o->sendError},
      {"--wrong-name-first", &o->wrongNameFirst},
      {"--silent-after-flash", &o->silentAfterFlash},
  };

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool inlineValue = false;
    size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    if (arg == "--help" && !inlineValue) {
      fputs(kUsage, stdout);
      return 1;
    }
    auto flag = flags.find(arg);
    if (flag != flags.end()) {
      if (inlineValue) {
        *error = "option " + arg + " takes no value";
        return 2;
      }
      *flag->second = true;
      continue;
    }
    auto setter = valued.find(arg);
    if (setter == valued.end()) {
      *error = arg.compare(0, 2, "--") == 0 ? "unknown option " + arg
                                            : "unexpected argument " + arg;
      return 2;
    }
    if (!inlineValue) {
      if (i + 1 >= argc) {
        *error = "option " + arg + " needs a value";
        return 2;
      }
      value = argv[++i];
    }
    if (!setter->second(value)) {
      *error = "bad value for " + arg + ": \"" + value + "\"";
      return 2;
    }
  }
  return 0;
}

}  // namespace duxsim
