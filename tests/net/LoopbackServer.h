// A scriptable HTTP server on 127.0.0.1 for the network tests: each accepted
// connection runs the test's handler on a thread of its own, which reads the
// raw requests and answers with whatever bytes it likes, when it likes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace varnika::test {

class TLoopbackServer;

class TServerConnection {
 public:
  TServerConnection(TLoopbackServer& server, int fd) : server_(server), fd_(fd) {}

  // Reads one request (head, and a body of its Content-Length) and records
  // it; returns "" when the client closed or the server is stopping.
  std::string ReadRequest();
  // Sends all bytes; false when the client is gone.
  bool Send(std::string_view bytes);
  // Waits (cut short when the server stops); false when stopping.
  bool Pause(std::chrono::milliseconds duration);
  // Holds the connection open, silent, until the server stops.
  void HoldUntilStopped();
  // Answers every request on this connection with reply(request).
  void ServeAll(const std::function<std::string(const std::string&)>& reply);

 private:
  TLoopbackServer& server_;
  int fd_;
  std::string pending_;
};

class TLoopbackServer {
 public:
  using Handler = std::function<void(TServerConnection&)>;

  explicit TLoopbackServer(Handler handler);
  ~TLoopbackServer();
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:<port>", the form a request's host value takes.
  std::string Host() const;

  // The raw bytes of every request received so far, in order.
  std::vector<std::string> Requests() const;
  // Waits until at least count requests have arrived.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  int Connections() const;

 private:
  friend class TServerConnection;
  void AcceptLoop();
  void Record(const std::string& request);
  int StopFd() const { return stop_fd_; }

  Handler handler_;
  int listen_fd_ = -1;
  int stop_fd_ = -1;
  int port_ = 0;
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::vector<int> connection_fds_;
  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  std::vector<std::string> requests_;
};

// "HTTP/1.1 <status>\r\nContent-Length: <n>\r\n<extra>\r\n<body>"; extra
// holds complete header lines.
std::string HttpReply(const std::string& status, const std::string& body, const std::string& extra = "");

// A port on 127.0.0.1 that nothing listens on.
int UnusedPort();

}  // namespace varnika::test
