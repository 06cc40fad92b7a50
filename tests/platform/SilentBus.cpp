#include "tests/platform/SilentBus.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace varnika::test {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Reads what `from` has and writes it all to `to`; false at its end or an error.
bool Pass(int from, int to) {
  char buffer[65536];
  const ssize_t n = ::read(from, buffer, sizeof buffer);
  if (n <= 0) return false;
  for (ssize_t done = 0; done < n;) {
    const ssize_t wrote = ::send(to, buffer + done, static_cast<std::size_t>(n - done), MSG_NOSIGNAL);
    if (wrote <= 0) return false;
    done += wrote;
  }
  return true;
}

void Poke(int eventfd) {
  const std::uint64_t one = 1;
  ssize_t ignored = ::write(eventfd, &one, sizeof one);
  (void)ignored;
}

}  // namespace

SilentBus::SilentBus(const std::string& folder, std::string relay_to) : relay_to_(std::move(relay_to)) {
  const std::string path = folder + "/silent-bus";
  address_ = "unix:path=" + path;
  sockaddr_un at{};
  at.sun_family = AF_UNIX;
  std::strncpy(at.sun_path, path.c_str(), sizeof at.sun_path - 1);
  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::bind(listener_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(listener_, 16) != 0) {
    ADD_FAILURE() << "cannot listen at " << path << ": " << std::strerror(errno);
  }
  wake_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Run(); });
}

SilentBus::~SilentBus() {
  stopping_ = true;
  Poke(wake_);
  thread_.join();
  CloseFd(listener_);
  CloseFd(wake_);
}

void SilentBus::Answer() {
  answering_ = true;
  Poke(wake_);
}

void SilentBus::Relay(Link& link) const {
  link.upstream = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un at{};
  at.sun_family = AF_UNIX;
  std::strncpy(at.sun_path, relay_to_.c_str(), sizeof at.sun_path - 1);
  if (::connect(link.upstream, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
    CloseFd(link.upstream);
    CloseFd(link.client);  // the client sees the bus go
  }
}

void SilentBus::Run() {
  std::vector<Link> links;
  while (!stopping_) {
    if (answering_ && !relay_to_.empty()) {
      for (Link& link : links) {
        if (link.upstream < 0) Relay(link);
      }
    }
    std::erase_if(links, [](const Link& link) { return link.client < 0; });
    // A silent connection is not polled: what its client sent waits in the socket.
    std::vector<pollfd> polled{{wake_, POLLIN, 0}, {listener_, POLLIN, 0}};
    for (const Link& link : links) {
      if (link.upstream < 0) continue;
      polled.push_back({link.client, POLLIN, 0});
      polled.push_back({link.upstream, POLLIN, 0});
    }
    if (::poll(polled.data(), polled.size(), -1) <= 0) continue;
    if (polled[0].revents) {
      std::uint64_t count = 0;
      ssize_t ignored = ::read(wake_, &count, sizeof count);
      (void)ignored;
    }
    if (polled[1].revents & POLLIN) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) {
        links.push_back(Link{client, -1});
        ++accepted_;
      }
    }
    std::size_t at = 2;
    for (Link& link : links) {
      if (link.upstream < 0) continue;
      const bool open = (!polled[at].revents || Pass(link.client, link.upstream)) &&
                        (!polled[at + 1].revents || Pass(link.upstream, link.client));
      at += 2;
      if (!open) {
        CloseFd(link.client);
        CloseFd(link.upstream);
      }
    }
  }
  for (Link& link : links) {
    CloseFd(link.client);
    CloseFd(link.upstream);
  }
}

}  // namespace varnika::test
