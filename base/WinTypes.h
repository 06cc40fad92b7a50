// Scalar types shared by the window system, the toolkit and the network layer.
// They keep the widths of their Win32 namesakes so that message parameters and
// flags carry the same values.
#pragma once

#include <cstdint>

namespace varnika {

struct HWND__;
using HWND = HWND__*;  // opaque window handle; numbered by the window system
using HINSTANCE = void*;

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using ATOM = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline WORD LoWord(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline WORD HiWord(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline std::int16_t SignedLoWord(std::uintptr_t v) { return static_cast<std::int16_t>(LoWord(v)); }
inline std::int16_t SignedHiWord(std::uintptr_t v) { return static_cast<std::int16_t>(HiWord(v)); }
inline LPARAM MakeLParam(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>((static_cast<std::uint32_t>(lo) & 0xFFFF) |
                                                        (static_cast<std::uint32_t>(hi) << 16)));
}

}  // namespace varnika
