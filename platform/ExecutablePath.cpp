#include "platform/ExecutablePath.h"

#include <unistd.h>

#include <climits>

namespace varnika {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer)) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::string QuotedExecutablePath() {
  std::string quoted = "\"";
  for (char c : ExecutablePath()) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

}  // namespace varnika
