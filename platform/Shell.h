// Opening documents with the desktop's handler. Only "open" of an absolute
// http:// or https:// URL is carried out: the URL goes as one argument to
// `xdg-open` (found on PATH), started without a shell, with only the standard
// descriptors, default signal handling and a process group of its own; the
// child is reaped in the background. Anything else is refused without
// starting a process.
//
// The result follows Win32: a value above 32 on success, SE_ERR_* or
// ERROR_FILE_NOT_FOUND (2) otherwise. Any thread may call these.
#pragma once

#include <string_view>

#include "platform/Messages.h"

namespace varnika {

inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SE_ERR_ACCESSDENIED = 5;

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        int show_command);
// 8-bit form: the strings are UTF-8.
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show_command);

// Whether ShellExecute would open this URL: "http://" or "https://" (any
// case) followed by a host, and no control characters or spaces anywhere.
bool IsOpenableUrl(std::string_view utf8_url);

// The value ShellExecute returns as an HINSTANCE.
inline int ShellResult(HINSTANCE result) { return static_cast<int>(reinterpret_cast<std::intptr_t>(result)); }

}  // namespace varnika
