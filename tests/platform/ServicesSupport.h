// Helpers for the tests of the operating-system services: a temporary
// folder, an environment variable set for one test, and child processes
// whose output and end the tests can wait for.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/base/ScopedEnv.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusNodeInfo GDBusNodeInfo;

namespace varnika::test {

// A stand-in service on a test bus: takes name (replacing its owner), and
// at its end closes its connection and frees its interfaces' description.
void OwnBusName(GDBusConnection* bus, const char* name);
void EndStandIn(GDBusNodeInfo* node, GDBusConnection* bus);

// A fresh folder under $TMPDIR (or /tmp), removed with its contents.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text, int mode = 0644);
bool Exists(const std::string& path);

// A child process with its standard output in a pipe; killed (SIGKILL) and
// reaped when the object goes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int Pid() const { return pid_; }
  // Reads output until it holds the text or timeout_ms passed.
  bool AwaitOutput(const std::string& text, int timeout_ms = 10000);
  const std::string& Output() const { return output_; }
  // The exit code, -1 when it did not end in time, -100 - signal when a
  // signal ended it.
  int Wait(int timeout_ms = 10000);
  void Kill(int signal);

 private:
  int pid_ = -1;
  int out_ = -1;
  bool reaped_ = false;
  int status_ = 0;
  std::string output_;
};

// A dbus-daemon of the test's own in folder, which is the session bus
// ($DBUS_SESSION_BUS_ADDRESS) while the object lives.
class PrivateBus {
 public:
  explicit PrivateBus(const std::string& folder);
  // False when dbus-daemon cannot run here.
  bool Started() const { return started_; }
  const std::string& Address() const { return address_; }

 private:
  std::string address_;
  ChildProcess daemon_;
  bool started_ = false;
  std::unique_ptr<ScopedEnv> env_;
};

// A GLib main loop turning on a thread of its own, for the stand-in services
// of the bus tests. start runs on that thread, with the loop's context as its
// default, before the loop turns; finish after it stops, and then whatever
// finish left pending is dispatched. The destructor stops and joins it.
class LoopThread {
 public:
  LoopThread(std::function<void()> start, std::function<void()> finish);
  ~LoopThread();
  LoopThread(const LoopThread&) = delete;
  LoopThread& operator=(const LoopThread&) = delete;

 private:
  struct Loop;
  std::unique_ptr<Loop> loop_;
  std::thread thread_;
};

// Polls done() every 5 ms until it holds or timeout_ms passed.
bool Eventually(const std::function<bool()>& done, int timeout_ms = 10000);

}  // namespace varnika::test
