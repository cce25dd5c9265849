// duxsim: a simulated DUX device for the demo and the network tests.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "device.h"
#include "log.h"
#include "options.h"
#include "tftp.h"
#include "web.h"

namespace {

int gWakeWrite = -1;

void OnStopSignal(int) {
  duxsim::gStopping = true;
  char c = 1;
  ssize_t ignored = write(gWakeWrite, &c, 1);
  (void)ignored;
}

}  // namespace

int main(int argc, char** argv) {
  duxsim::Device device;
  std::string error;
  int parsed = duxsim::ParseOptions(argc, argv, &device.options, &error);
  if (parsed == 1) return 0;
  if (parsed == 2) {
    fprintf(stderr, "duxsim: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (!duxsim::OpenEvents(device.options.eventsPath)) {
    fprintf(stderr, "duxsim: cannot open the events file %s\n",
            device.options.eventsPath.c_str());
    return 2;
  }
  device.softwareVersion = device.options.softwareVersion;
  if (!device.options.fetchUrl.empty()) {
    const std::string scheme = "tftp://";
    duxsim::UpgradeJob job;
    std::string bad =
        device.options.fetchUrl.compare(0, scheme.size(), scheme) == 0
            ? duxsim::ParseUpgradeQuery(device.options.fetchUrl, &job)
            : "not a tftp:// URL";
    if (!bad.empty()) {
      fprintf(stderr, "duxsim: bad value for --fetch: %s\n", bad.c_str());
      return 2;
    }
    return duxsim::FetchOnce(&device, job);
  }

  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    perror("duxsim: pipe");
    return 1;
  }
  device.wakeRead = wake[0];
  device.wakeWrite = wake[1];
  gWakeWrite = wake[1];

  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::thread tftp(duxsim::RunTftpClient, &device);
  int result = duxsim::RunWebServer(&device);
  duxsim::RequestStop(&device);
  tftp.join();
  duxsim::Log("stopped");
  return result;
}
