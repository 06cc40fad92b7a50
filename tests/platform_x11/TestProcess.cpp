#include "tests/platform_x11/TestProcess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

extern char** environ;

namespace varnika::xtest {

namespace {

std::string TempPath(const char* tag) {
  std::string path = std::string("/tmp/varnika-x11-") + tag + "-XXXXXX";
  int fd = mkstemp(path.data());
  if (fd >= 0) close(fd);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Environment for a child: ours, with entries of the same name replaced.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// --- Process ------------------------------------------------------------------------

Process::Process(Process&& o) noexcept { *this = std::move(o); }

Process& Process::operator=(Process&& o) noexcept {
  if (this != &o) {
    Stop();
    pid_ = std::exchange(o.pid_, -1);
    status_ = o.status_;
    reaped_ = o.reaped_;
    out_path_ = std::move(o.out_path_);
    err_path_ = std::move(o.err_path_);
  }
  return *this;
}

Process::~Process() {
  Stop();
  if (!out_path_.empty()) unlink(out_path_.c_str());
  if (!err_path_.empty()) unlink(err_path_.c_str());
}

Process Process::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  Process p;
  p.out_path_ = TempPath("out");
  p.err_path_ = TempPath("err");
  std::vector<std::string> environment = MergedEnvironment(env);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    // Goes with the test process, even when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    int out = open(p.out_path_.c_str(), O_WRONLY | O_TRUNC);
    int err = open(p.err_path_.c_str(), O_WRONLY | O_TRUNC);
    if (out >= 0) dup2(out, 1);
    if (err >= 0) dup2(err, 2);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  p.pid_ = pid;
  return p;
}

bool Process::Running() {
  if (pid_ < 0 || reaped_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    reaped_ = true;
    status_ = status;
    return false;
  }
  return true;
}

void Process::Signal(int signal) {
  if (pid_ > 0 && !reaped_) kill(pid_, signal);
}

int Process::WaitExit(int timeout_ms) {
  if (pid_ < 0) return -1;
  if (!WaitFor([this] { return !Running(); }, timeout_ms)) return -1;
  if (WIFEXITED(status_)) return WEXITSTATUS(status_);
  if (WIFSIGNALED(status_)) return -100 - WTERMSIG(status_);
  return -1;
}

void Process::Stop() {
  if (pid_ < 0 || reaped_) return;
  Signal(SIGTERM);
  if (WaitExit(3000) == -1 && Running()) {
    Signal(SIGKILL);
    WaitExit(3000);
  }
}

std::string Process::Output() const { return ReadFile(out_path_); }
std::string Process::Errors() const { return ReadFile(err_path_); }

}  // namespace varnika::xtest
