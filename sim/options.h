// Command line of the simulated device.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace duxsim {

struct Options {
  std::string address = "127.0.0.1";
  int httpPort = 80;

  std::string product = "DUXT6eM";
  std::string mac = "00:0B:82:12:34:56";
  std::string softwareVersion = "7.1.4a";
  std::string hardwareVersion = "1.2";
  std::string serial = "DX6E000123";

  // Digest protection is on only when a password was given.
  std::string user = "admin";
  std::string password;
  bool protect = false;
  std::string realm = "DUX";
  std::string qop = "auth";       // empty: no qop directive
  std::string algorithm = "MD5";  // empty: no algorithm directive
  std::string opaque;             // empty: no opaque directive
  int nonceEvery = 0;
  bool staleNonceFirst = false;

  int tftpDelayMs = 300;
  std::vector<std::pair<std::string, std::string>> tftpOptions = {
      {"tsize", "0"}};
  std::string savePath;
  int flashTimeMs = 2000;
  uint32_t seed = 1;
  double lossData = 0;
  double lossAck = 0;
  double dupAck = 0;
  double foreignAck = 0;
  double reorder = 0;
  bool noOackAck = false;
  long stopAfter = -1;  // -1: never
  bool sendError = false;
  bool wrongNameFirst = false;
  std::string reportVersion;
  bool hasReportVersion = false;
  bool silentAfterFlash = false;
  long restartAt = -1;  // -1: never
  int exitAfter = 0;
  std::string eventsPath;
  std::string fetchUrl;  // --fetch: one download, then exit
};

// Parses argv into `options`. Returns 0 to run, 1 when --help was asked for
// (the usage is already printed), 2 on a bad option (`error` holds a
// one-line message naming it).
int ParseOptions(int argc, char** argv, Options* options, std::string* error);

const char* UsageText();

}  // namespace duxsim
