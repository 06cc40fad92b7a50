#include "tests/net/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace varnika::test {

namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

// Waits until fd is readable or the stop descriptor fires; true for fd.
bool WaitReadable(int fd, int stop_fd, int timeout_ms) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
  if (poll(fds, 2, timeout_ms) <= 0) return false;
  return fds[1].revents == 0 && fds[0].revents != 0;
}

std::size_t ContentLength(const std::string& head) {
  std::string lower(head);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\ncontent-length:");
  return at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

}  // namespace

std::string HttpReply(const std::string& status, const std::string& body, const std::string& extra) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" +
         body;
}

int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LoopbackAddress(0);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const int port = BoundPort(fd);
  close(fd);
  return port;
}

// --- TServerConnection -----------------------------------------------------

std::string TServerConnection::ReadRequest() {
  for (;;) {
    const std::size_t head_end = pending_.find("\r\n\r\n");
    if (head_end != std::string::npos) {
      const std::size_t total = head_end + 4 + ContentLength(pending_.substr(0, head_end + 2));
      if (pending_.size() >= total) {
        std::string request = pending_.substr(0, total);
        pending_.erase(0, total);
        server_.Record(request);
        return request;
      }
    }
    if (!WaitReadable(fd_, server_.StopFd(), -1)) return std::string();
    char buffer[65536];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return std::string();
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

bool TServerConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool TServerConnection::Pause(std::chrono::milliseconds duration) {
  pollfd stop{server_.StopFd(), POLLIN, 0};
  return poll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

void TServerConnection::HoldUntilStopped() {
  while (Pause(std::chrono::milliseconds(1000))) {
  }
}

void TServerConnection::ServeAll(const std::function<std::string(const std::string&)>& reply) {
  for (std::string request = ReadRequest(); !request.empty(); request = ReadRequest())
    if (!Send(reply(request))) return;
}

// --- TLoopbackServer -------------------------------------------------------

TLoopbackServer::TLoopbackServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  stop_fd_ = eventfd(0, EFD_CLOEXEC);
  sockaddr_in address = LoopbackAddress(0);
  if (listen_fd_ < 0 || stop_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 16) != 0)
    throw std::runtime_error("loopback server: cannot listen");
  port_ = BoundPort(listen_fd_);
  acceptor_ = std::thread(&TLoopbackServer::AcceptLoop, this);
}

TLoopbackServer::~TLoopbackServer() {
  const std::uint64_t one = 1;
  (void)!write(stop_fd_, &one, sizeof one);
  acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  for (int fd : connection_fds_) close(fd);
  close(listen_fd_);
  close(stop_fd_);
}

std::string TLoopbackServer::Host() const { return "127.0.0.1:" + std::to_string(port_); }

void TLoopbackServer::AcceptLoop() {
  while (WaitReadable(listen_fd_, stop_fd_, -1)) {
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> guard(mutex_);
    connection_fds_.push_back(fd);
    workers_.emplace_back([this, fd] {
      TServerConnection connection(*this, fd);
      handler_(connection);
      shutdown(fd, SHUT_RDWR);  // the handler is done: the client sees the close
    });
  }
}

void TLoopbackServer::Record(const std::string& request) {
  std::lock_guard<std::mutex> guard(mutex_);
  requests_.push_back(request);
  arrived_.notify_all();
}

std::vector<std::string> TLoopbackServer::Requests() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return requests_;
}

bool TLoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

int TLoopbackServer::Connections() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return static_cast<int>(connection_fds_.size());
}

}  // namespace varnika::test
