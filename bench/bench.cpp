// dux-bench: the delivery of the default image by this program's listener
// and session, side by side with tftpd-hpa, to the same clients, in one run.
// Runs inside a private network namespace (see scripts/bench).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

struct Child {
  pid_t pid = -1;
  int out = -1;  // its stdout, when captured
};

Child Spawn(const std::vector<std::string>& argv, bool captureOut) {
  int pipeFds[2] = {-1, -1};
  if (captureOut && pipe(pipeFds) != 0) return Child{};
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(captureOut ? pipeFds[1] : null, 1);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  Child c;
  c.pid = pid;
  if (captureOut) {
    close(pipeFds[1]);
    c.out = pipeFds[0];
  }
  return c;
}

int Wait(pid_t pid, rusage* usage = nullptr) {
  int status = 0;
  rusage r{};
  wait4(pid, &status, 0, &r);
  if (usage) *usage = r;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double CpuSeconds(const rusage& r) {
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

// user+system seconds of a running process, from /proc.
double ProcCpuSeconds(pid_t pid) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream in(stat.substr(close + 2));
  std::string field;
  unsigned long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && in >> field; ++i) {
    if (i == 14) utime = std::stoul(field);
    if (i == 15) stime = std::stoul(field);
  }
  return static_cast<double>(utime + stime) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Loopback round trip of a 516-byte datagram answered by a 4-byte one.
double MeasureRoundTrip(int rounds) {
  int a = socket(AF_INET, SOCK_DGRAM, 0), b = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(0x7F000001);
  bind(b, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(b, reinterpret_cast<sockaddr*>(&addr), &len);
  connect(a, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  std::thread echo([b, rounds] {
    char buf[1024];
    for (int i = 0; i < rounds; ++i) {
      sockaddr_in from{};
      socklen_t fl = sizeof from;
      if (recvfrom(b, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from),
                   &fl) <= 0)
        return;
      sendto(b, buf, 4, 0, reinterpret_cast<sockaddr*>(&from), fl);
    }
  });
  char block[516] = {0, 3};
  char ack[16];
  double start = Now();
  for (int i = 0; i < rounds; ++i) {
    send(a, block, sizeof block, 0);
    recv(a, ack, sizeof ack, 0);
  }
  double elapsed = Now() - start;
  echo.join();
  close(a);
  close(b);
  return elapsed / rounds;
}

struct Stats {
  std::vector<double> seconds;
  int mismatches = 0;
  double Median() const {
    std::vector<double> v = seconds;
    std::sort(v.begin(), v.end());
    if (v.empty()) return 0;
    return v.size() % 2 ? v[v.size() / 2]
                        : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
};

struct Bench {
  std::string image;  // the bytes every download must equal
  std::string server, sim, dir;
  int runs = 7;
  bool haveTftpd = false;
  uint16_t tftpdPort = 6969;
  pid_t tftpd = -1;
  int serial = 0;

  std::vector<std::string> ClientCommand(const std::string& client,
                                         uint16_t port, const std::string& name,
                                         const std::string& out) {
    // The name begins with "/"; curl sends what follows the URL's first one.
    std::string url = "tftp://127.0.0.1:" + std::to_string(port);
    if (client == "curl")
      return {"curl", "-s", "--max-time", "60", "-o", out, url + "/" + name};
    return {sim, "--fetch", url + name, "--save", out};
  }

  // One download; returns seconds from the client's start to its end, or -1.
  double Download(const std::string& client, uint16_t port,
                  const std::string& name, bool* same) {
    std::string out = dir + "/out-" + std::to_string(++serial);
    double start = Now();
    Child c = Spawn(ClientCommand(client, port, name, out), false);
    int rc = Wait(c.pid);
    double elapsed = Now() - start;
    *same = rc == 0 && ReadFile(out) == image;
    unlink(out.c_str());
    return rc == 0 ? elapsed : -1;
  }

  double Ours(const std::string& client, bool* same, rusage* usage,
              bool blind = false) {
    std::string name = "/dux" + std::to_string(1000 + serial) + ".bi1";
    std::vector<std::string> argv = {server, name};
    if (blind) argv.push_back("--blind-sleep");
    Child s = Spawn(argv, true);
    char portText[16] = {};
    ssize_t n = read(s.out, portText, sizeof portText - 1);
    close(s.out);
    uint16_t port = static_cast<uint16_t>(n > 0 ? atoi(portText) : 0);
    double t = Download(client, port, name, same);
    if (t < 0) kill(s.pid, SIGKILL);
    Wait(s.pid, usage);
    return t;
  }

  double Theirs(const std::string& client, bool* same) {
    return Download(client, tftpdPort, "/dux.bi1", same);
  }
};

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Bench b;
  bool compareSleep = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--compare-sleep") {
      compareSleep = true;
    } else if (a == "--runs" && i + 1 < argc) {
      b.runs = atoi(argv[++i]);
    } else if (a == "--help") {
      printf(
          "usage: dux-bench [--runs N] [--compare-sleep]\n"
          "Serves the embedded default image with this program's TFTP "
          "listener\n"
          "and session and with tftpd-hpa, alternating, N runs each (default "
          "7),\nto the simulated device's client and to curl; prints the "
          "timings,\nthe loopback round trip, CPU use and peak memory.\n");
      return 0;
    } else {
      fprintf(stderr, "dux-bench: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  b.server = DUX_BENCH_SERVER;
  b.sim = DUX_SIM;
  b.image = ReadFile(DUX_DEFAULT_IMAGE);
  char tmpl[] = "/tmp/dux-bench-XXXXXX";
  b.dir = mkdtemp(tmpl);
  std::string served = b.dir + "/srv";
  mkdir(served.c_str(), 0755);
  {
    std::ofstream f(served + "/dux.bi1", std::ios::binary);
    f << b.image;
  }
  system("ip link set lo up 2>/dev/null");
  b.haveTftpd = access("/usr/sbin/in.tftpd", X_OK) == 0;
  if (b.haveTftpd) {
    Child t = Spawn({"/usr/sbin/in.tftpd", "-L", "-u", "root", "-a",
                     "127.0.0.1:" + std::to_string(b.tftpdPort), "-s", served},
                    false);
    b.tftpd = t.pid;
    usleep(300000);
  }
  const double mb = static_cast<double>(b.image.size()) / 1e6;
  if (compareSleep) {
    printf("%-28s %8s %8s %8s\n", "idle pass", "median", "min", "max");
    for (bool blind : {false, true}) {
      Stats s;
      for (int r = 0; r < b.runs; ++r) {
        bool same = false;
        rusage u{};
        double t = b.Ours("duxsim", &same, &u, blind);
        if (t >= 0 && same) s.seconds.push_back(t);
      }
      if (s.seconds.empty()) continue;
      printf("%-28s %7.3fs %7.3fs %7.3fs  (%zu/%d byte-exact)\n",
             blind ? "blind 1 ms sleep" : "wait until readable", s.Median(),
             *std::min_element(s.seconds.begin(), s.seconds.end()),
             *std::max_element(s.seconds.begin(), s.seconds.end()),
             s.seconds.size(), b.runs);
    }
    return 0;
  }
  const int roundTrips = static_cast<int>(b.image.size() / 512 + 2);
  double rtt = MeasureRoundTrip(10000);
  printf("image: %zu bytes, %d round trips with the option acknowledgement\n",
         b.image.size(), roundTrips);
  printf("loopback round trip (516/4-byte datagrams, 10000 rounds): %.1f us\n",
         rtt * 1e6);
  printf("lockstep limit for the image: %.3f s\n\n", rtt * roundTrips);
  printf("%-6s %-10s %8s %8s %8s %8s  %s\n", "client", "server", "median",
         "min", "max", "MB/s", "bytes");
  for (const std::string client : {"duxsim", "curl"}) {
    Stats ours, theirs;
    for (int r = 0; r < b.runs; ++r) {
      bool same = false;
      rusage u{};
      double t = b.Ours(client, &same, &u);
      if (t >= 0) ours.seconds.push_back(t);
      if (!same) ++ours.mismatches;
      if (b.haveTftpd) {
        t = b.Theirs(client, &same);
        if (t >= 0) theirs.seconds.push_back(t);
        if (!same) ++theirs.mismatches;
      }
    }
    auto row = [&](const char* who, const Stats& s) {
      if (s.seconds.empty()) {
        printf("%-6s %-10s   failed every run\n", client.c_str(), who);
        return;
      }
      double med = s.Median();
      printf("%-6s %-10s %7.3fs %7.3fs %7.3fs %8.1f  %s\n", client.c_str(), who,
             med, *std::min_element(s.seconds.begin(), s.seconds.end()),
             *std::max_element(s.seconds.begin(), s.seconds.end()), mb / med,
             s.mismatches ? "MISMATCH" : "identical");
    };
    row("dux", ours);
    if (b.haveTftpd) {
      row("tftpd-hpa", theirs);
      if (!theirs.seconds.empty() && !ours.seconds.empty())
        printf("%-6s ratio dux/tftpd-hpa median: %.2f\n", client.c_str(),
               ours.Median() / theirs.Median());
    }
  }
  // Waiting for the read request, then one transfer, then the peak memory.
  {
    std::string name = "/duxcafe.bi1";
    Child s = Spawn({b.server, name}, true);
    char portText[16] = {};
    ssize_t n = read(s.out, portText, sizeof portText - 1);
    close(s.out);
    uint16_t port = static_cast<uint16_t>(n > 0 ? atoi(portText) : 0);
    double c0 = ProcCpuSeconds(s.pid);
    double t0 = Now();
    sleep(10);
    double waitCpu = ProcCpuSeconds(s.pid) - c0;
    double waitWall = Now() - t0;
    bool same = false;
    b.Download("curl", port, name, &same);
    rusage u{};
    Wait(s.pid, &u);
    printf("\nwhile waiting %.1f s for the read request: %.2f%% of one core\n",
           waitWall, 100.0 * waitCpu / waitWall);
    printf("one transfer (and the end of the process): %.3f s of CPU\n",
           CpuSeconds(u) - waitCpu - c0);
    printf("peak resident memory of the upgrade process: %ld KiB\n",
           u.ru_maxrss);
  }
  if (b.tftpd > 0) {
    kill(b.tftpd, SIGTERM);
    Wait(b.tftpd);
  }
  if (!b.haveTftpd)
    printf("(tftpd-hpa not installed: only this program ran)\n");
  return 0;
}
