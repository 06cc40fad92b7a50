// A session bus that hangs: a Unix socket whose thread takes every
// connection and answers nothing (the handshake never completes). Given a
// real bus's socket, it starts relaying its connections there, those that
// wait and those that come, once told to answer: a bus that answers late.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace varnika::test {

class SilentBus {
 public:
  // Listens at folder/silent-bus; relay_to: the socket path of a real bus, or
  // empty for one that never answers.
  explicit SilentBus(const std::string& folder, std::string relay_to = {});
  // Stops the thread and closes every connection.
  ~SilentBus();
  SilentBus(const SilentBus&) = delete;
  SilentBus& operator=(const SilentBus&) = delete;

  // The address for DBUS_SESSION_BUS_ADDRESS.
  const std::string& Address() const { return address_; }
  // Connections taken so far.
  int Accepted() const { return accepted_.load(); }
  // From now on the connections are relayed to the real bus.
  void Answer();

 private:
  struct Link {
    int client = -1;
    int upstream = -1;  // -1: silent so far
  };

  void Run();
  void Relay(Link& link) const;

  std::string address_;
  std::string relay_to_;
  int listener_ = -1;
  int wake_ = -1;  // an eventfd: stop, or answer
  std::atomic<int> accepted_{0};
  std::atomic<bool> answering_{false};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace varnika::test
