// The device's web server: the status page, the upgrade request and the
// optional Digest protection. One request per connection.
#pragma once

#include <string>

#include "device.h"

namespace duxsim {

// Serves until a stop is requested. Gives 0, or 1 when the listening socket
// could not be opened at the start.
int RunWebServer(Device* device);

// Parses the query of an upgrade request, "tftp://a.b.c.d:port/name".
// Gives "" when it is good, else what is wrong with it.
std::string ParseUpgradeQuery(const std::string& query, UpgradeJob* job);

}  // namespace duxsim
