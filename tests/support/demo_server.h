// Starts the built demo game server (tools/demo-server) for a test and stops
// it again: `DemoServer server({"--players", "3"});` then talk UDP to
// 127.0.0.1:server.port(). POSIX only; the server is a native program.
//
// The binary is QUORVEL_DEMO_SERVER when that is defined, else
// $QUORVEL_BUILD_DIR/tools/demo-server/demo-server (ctest sets it), else it
// is found from the test binary's own path (BUILD/tests/<folder>/<binary>).
//
// A test that crashes must not leave servers behind: the child dies with its
// parent (Linux), and every server is started with --duration-ms as a last
// resort unless the test passes its own.
#pragma once

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace quorvel_test {

class DemoServer {
 public:
  static constexpr const char* kSafetyDurationMs = "120000";

  explicit DemoServer(std::vector<std::string> args = {}) { Start(std::move(args)); }
  ~DemoServer() {
    Stop();
    if (ownLog_) std::remove(logPath_.c_str());
  }
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  // True once the server has printed its "listening on" line.
  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  // The Steam query's port, for a server started with --query-port.
  int queryPort() const { return queryPort_; }
  const std::string& logPath() const { return logPath_; }
  // Why the start failed, for the test's failure message.
  const std::string& error() const { return error_; }

  // The log's lines so far (the server flushes each one as it writes it).
  std::vector<std::string> ReadLog() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // Sends the server a signal (SIGUSR1: a burst of joins, SIGUSR2: of leaves).
  void Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
  }

  // SIGTERM, then waits (SIGKILL after 5 s). Returns the exit status as
  // waitpid reports it, or -1 when there was nothing to stop.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = -1;
    for (int i = 0; i < 500; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) break;
      if (i == 499) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    if (stdoutFd_ >= 0) close(stdoutFd_);
    stdoutFd_ = -1;
    return status;
  }

  static std::string BinaryPath() {
#ifdef QUORVEL_DEMO_SERVER
    return QUORVEL_DEMO_SERVER;
#else
    if (const char* build = std::getenv("QUORVEL_BUILD_DIR"); build && *build)
      return std::string(build) + "/tools/demo-server/demo-server";
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    for (int up = 0; up < 3 && !path.empty(); ++up) path.erase(path.rfind('/'));
    return path + "/tools/demo-server/demo-server";
#endif
  }

 private:
  static bool Has(const std::vector<std::string>& args, const char* option) {
    for (const std::string& a : args)
      if (a == option) return true;
    return false;
  }

  void Start(std::vector<std::string> args) {
    if (!Has(args, "--log")) {
      char name[] = "/tmp/quorvel-demo-XXXXXX";
      const int fd = mkstemp(name);
      if (fd >= 0) close(fd);
      logPath_ = name;
      ownLog_ = true;
      args.insert(args.begin(), {"--log", logPath_});
    } else {
      for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--log") logPath_ = args[i + 1];
    }
    if (!Has(args, "--duration-ms")) args.insert(args.begin(), {"--duration-ms", kSafetyDurationMs});
    if (!Has(args, "--port")) args.insert(args.begin(), {"--port", "0"});

    const std::string binary = BinaryPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      error_ = "pipe failed";
      return;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
      error_ = "fork failed";
      close(pipeFds[0]);
      close(pipeFds[1]);
      return;
    }
    if (pid_ == 0) {
#ifdef __linux__
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);  // the parent died before prctl
#endif
      (void)parent;
      dup2(pipeFds[1], STDOUT_FILENO);
      close(pipeFds[0]);
      close(pipeFds[1]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];
    ReadPort(binary, Has(args, "--query-port") ? 2 : 1);
  }

  // Reads "listening on 127.0.0.1:PORT\n" (and "query port 127.0.0.1:PORT\n"
  // when asked for) within 10 s (a sanitizer build starts slowly on a busy
  // machine).
  void ReadPort(const std::string& binary, size_t lines) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (static_cast<size_t>(std::count(line.begin(), line.end(), '\n')) < lines) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd fd{stdoutFd_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
      if (n <= 0) break;  // the server exited
      line.append(buffer, static_cast<size_t>(n));
    }
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) port_ = std::atoi(line.c_str() + prefix.size());
    if (port_ <= 0) error_ = "no \"listening on\" line from " + binary + " (got \"" + line + "\")";
    const std::string query = "query port 127.0.0.1:";
    if (const size_t at = line.find(query); at != std::string::npos) queryPort_ = std::atoi(line.c_str() + at + query.size());
    if (lines > 1 && queryPort_ <= 0) {
      port_ = 0;
      error_ = "no \"query port\" line from " + binary + " (got \"" + line + "\")";
    }
  }

  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  int port_ = 0;
  int queryPort_ = 0;
  std::string logPath_;
  bool ownLog_ = false;
  std::string error_;
};

}  // namespace quorvel_test

#endif  // _WIN32
