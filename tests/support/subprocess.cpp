#include "tests/support/subprocess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {
long long NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}
}  // namespace

Subprocess StartSubprocess(const std::vector<std::string>& argv,
                           const std::string& logPath) {
  Subprocess p;
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  p.pid = pid;
  return p;
}

int WaitSubprocess(Subprocess* p, int timeoutMs) {
  if (p->pid <= 0) return -1;
  long long end = NowMs() + timeoutMs;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(p->pid, &status, WNOHANG);
    if (r == p->pid) {
      p->pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (NowMs() >= end) return -1;
    usleep(5000);
  }
}

int StopSubprocess(Subprocess* p, int timeoutMs) {
  if (p->pid <= 0) return -1;
  kill(p->pid, SIGTERM);
  int r = WaitSubprocess(p, timeoutMs);
  if (r == -1 && p->pid > 0) {
    kill(p->pid, SIGKILL);
    WaitSubprocess(p, 2000);
    return -1;
  }
  return r;
}

bool WaitForTcpPort(const char* address, int port, int timeoutMs) {
  long long end = NowMs() + timeoutMs;
  while (NowMs() < end) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    int r = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    close(s);
    if (r == 0) return true;
    usleep(10000);
  }
  return false;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string MakeTempDir(void) {
  char tmpl[] = "/tmp/dux-test-XXXXXX";
  char* d = mkdtemp(tmpl);
  return d ? std::string(d) : std::string("/tmp");
}
