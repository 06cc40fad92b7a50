// The per-user folders of the shell. The application-data folder
// (CSIDL_APPDATA) is the XDG configuration folder: $XDG_CONFIG_HOME when it
// is an absolute path, else $HOME/.config (the home folder from the password
// database when $HOME is not absolute). Any thread may call these.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Messages.h"

namespace varnika {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

inline constexpr int MAX_PATH = 260;

inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_FLAG_DONT_VERIFY = 0x4000;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

inline constexpr DWORD SHGFP_TYPE_CURRENT = 0;
inline constexpr DWORD SHGFP_TYPE_DEFAULT = 1;

// Writes the folder's path (no trailing "/") into path, a buffer of MAX_PATH
// characters. S_OK whether or not the folder exists yet (CSIDL_FLAG_CREATE
// creates it with its missing parents, mode 0700); E_INVALIDARG for another
// folder, a bad flag or no buffer; E_FAIL when no home folder is known, the
// path is not valid UTF-8, or it does not fit the buffer. Both path types
// give the same folder. owner and token are not used.
HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);

// The same folder as UTF-8 bytes, without a length limit; empty when no home
// folder is known.
std::string UserConfigFolder();

// Creates the folder and its missing parents with mode 0700; 0 or errno.
int CreateFolderPath(const std::string& path);

}  // namespace varnika
