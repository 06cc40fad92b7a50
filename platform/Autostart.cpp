#include "platform/Autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "base/Exceptions.h"
#include "base/Stream.h"
#include "base/Utf.h"
#include "platform/ErrnoCodes.h"
#include "platform/SpecialFolders.h"

namespace varnika {
namespace {

constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

bool ValidText(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

bool ValidName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         ValidText(name);
}

// Splits a command line as Win32 does: blanks separate arguments outside
// double quotes; 2n backslashes before a quote give n backslashes and the
// quote toggles quoting, 2n+1 give n backslashes and a literal quote;
// other backslashes are literal.
std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string current;
  bool quoted = false;
  bool started = false;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '\\') {
      std::size_t n = 0;
      while (i < line.size() && line[i] == '\\') ++n, ++i;
      if (i < line.size() && line[i] == '"') {
        current.append(n / 2, '\\');
        if (n % 2) {
          current += '"';
          ++i;
        }
      } else {
        current.append(n, '\\');
      }
      started = true;
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      started = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (started) args.push_back(std::move(current));
      current.clear();
      started = false;
    } else {
      current += c;
      started = true;
    }
    ++i;
  }
  if (started) args.push_back(std::move(current));
  return args;
}

// One argument as the Exec key's quoting rules want it.
std::string ExecArgument(const std::string& arg) {
  const bool quote = arg.empty() || arg.find_first_of(kReservedInExec) != std::string::npos;
  std::string out;
  if (quote) out += '"';
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return out;
}

// The escaping of a string value in a desktop entry file.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string EntryText(std::string_view name, const std::string& exec) {
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + EscapeValue(exec) + "\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

std::string AutostartFolder() {
  const std::string config = UserConfigFolder();
  return config.empty() ? std::string() : config + "/autostart";
}

}  // namespace

bool DesktopExecValue(std::string_view command_line, std::string* exec) {
  if (!ValidText(command_line)) return false;
  const std::vector<std::string> args = SplitCommandLine(command_line);
  if (args.empty() || args.front().empty()) return false;
  std::string value;
  for (const std::string& arg : args) {
    if (!value.empty()) value += ' ';
    value += ExecArgument(arg);
  }
  *exec = std::move(value);
  return true;
}

std::string AutostartEntryPath(std::string_view name) {
  if (!ValidName(name)) return {};
  const std::string folder = AutostartFolder();
  return folder.empty() ? std::string() : folder + "/" + std::string(name) + ".desktop";
}

LONG WriteAutostartEntry(std::string_view name, std::string_view command_line) {
  if (!ValidName(name)) return static_cast<LONG>(ERROR_INVALID_NAME);
  std::string exec;
  if (!DesktopExecValue(command_line, &exec)) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  const std::string folder = AutostartFolder();
  if (folder.empty()) return static_cast<LONG>(ERROR_PATH_NOT_FOUND);
  if (int error = CreateFolderPath(folder)) return static_cast<LONG>(Win32ErrorFromErrno(error));
  const std::string path = AutostartEntryPath(name);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  const std::string text = EntryText(name, exec);
  errno = 0;
  try {
    ReplaceFileAtomically(Utf8ToUtf16(path), [&](TStream& stream) {
      stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    });
  } catch (const Exception&) {
    // The failing call left its errno; a short write without one is an
    // input/output error.
    return static_cast<LONG>(Win32ErrorFromErrno(errno ? errno : EIO));
  }
  return 0;
}

bool AutostartEntryExists(std::string_view name) {
  const std::string path = AutostartEntryPath(name);
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string QuoteCommandLineArgument(std::string_view arg) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    out += c;
    backslashes = 0;
  }
  out.append(2 * backslashes, '\\');
  return out + '"';
}

LONG DeleteAutostartEntry(std::string_view name) {
  if (!ValidName(name)) return static_cast<LONG>(ERROR_INVALID_NAME);
  const std::string path = AutostartEntryPath(name);
  if (path.empty()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  if (::unlink(path.c_str()) != 0) return static_cast<LONG>(Win32ErrorFromErrno(errno));
  return 0;
}

LONG SetAutoStart(std::string_view name, std::string_view command_line, bool enable) {
  return enable ? WriteAutostartEntry(name, command_line) : DeleteAutostartEntry(name);
}

}  // namespace varnika
