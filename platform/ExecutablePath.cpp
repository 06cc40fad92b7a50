#include "platform/ExecutablePath.h"

#include <unistd.h>

#include <climits>

#include "platform/Autostart.h"

namespace varnika {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer)) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::string QuotedExecutablePath() { return QuoteCommandLineArgument(ExecutablePath()); }

}  // namespace varnika
