#include "text/WideCase.h"

#include <array>
#include <cstdint>

namespace varnika {
namespace {

constexpr char16_t kTableEnd = 0x0590;
using Table = std::array<char16_t, kTableEnd>;

// Pairs laid out as upper, lower, upper, lower ... from first to last.
constexpr void EvenUpper(Table& t, char16_t first, char16_t last) {
  for (char16_t c = first; c <= last; ++c)
    if ((c - first) % 2 == 1) t[c] = static_cast<char16_t>(c - 1);
}

constexpr void Shift(Table& t, char16_t first, char16_t last, int delta) {
  for (char16_t c = first; c <= last; ++c) t[c] = static_cast<char16_t>(c + delta);
}

constexpr Table MakeTable() {
  Table t{};
  for (std::size_t c = 0; c < t.size(); ++c) t[c] = static_cast<char16_t>(c);
  // ASCII and Latin-1.
  Shift(t, u'a', u'z', -0x20);
  Shift(t, 0x00E0, 0x00FE, -0x20);
  t[0x00F7] = 0x00F7;  // division sign
  t[0x00FF] = 0x0178;
  t[0x00B5] = 0x039C;  // micro sign folds with Greek mu
  // Latin Extended-A.
  EvenUpper(t, 0x0100, 0x012F);
  t[0x0130] = u'I';
  t[0x0131] = u'I';
  EvenUpper(t, 0x0132, 0x0137);
  EvenUpper(t, 0x0139, 0x0148);
  EvenUpper(t, 0x014A, 0x0177);
  EvenUpper(t, 0x0179, 0x017E);
  t[0x017F] = u'S';
  // The regular runs of Latin Extended-B.
  EvenUpper(t, 0x01CD, 0x01DC);
  EvenUpper(t, 0x01DE, 0x01EF);
  EvenUpper(t, 0x01F8, 0x021F);
  EvenUpper(t, 0x0222, 0x0233);
  EvenUpper(t, 0x0246, 0x024F);
  // Greek.
  Shift(t, 0x03B1, 0x03C1, -0x20);
  t[0x03C2] = 0x03A3;  // final sigma
  Shift(t, 0x03C3, 0x03CB, -0x20);
  t[0x03AC] = 0x0386;
  Shift(t, 0x03AD, 0x03AF, -0x25);
  t[0x03CC] = 0x038C;
  Shift(t, 0x03CD, 0x03CE, -0x3F);
  EvenUpper(t, 0x03D8, 0x03EF);
  // Cyrillic.
  Shift(t, 0x0430, 0x044F, -0x20);
  Shift(t, 0x0450, 0x045F, -0x50);
  EvenUpper(t, 0x0460, 0x0481);
  EvenUpper(t, 0x048A, 0x04BF);
  EvenUpper(t, 0x04C1, 0x04CE);
  t[0x04CF] = 0x04C0;
  EvenUpper(t, 0x04D0, 0x052F);
  // Armenian.
  Shift(t, 0x0561, 0x0586, -0x30);
  return t;
}

constexpr Table kUpper = MakeTable();

static_assert(kUpper[u'a'] == u'A' && kUpper[u'i'] == u'I' && kUpper[0x00E7] == 0x00C7);
static_assert(kUpper[0x011F] == 0x011E && kUpper[0x015F] == 0x015E && kUpper[0x0148] == 0x0147);
static_assert(kUpper[0x03C9] == 0x03A9 && kUpper[0x044F] == 0x042F && kUpper[0x0451] == 0x0401);

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

char16_t WideUpperChar(char16_t c) {
  if (c < kTableEnd) return kUpper[c];
  if (c >= 0x1E00 && c <= 0x1EFF) {
    const bool paired = c <= 0x1E95 || c >= 0x1EA0;
    return paired && (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

void WideUpperCaseInto(std::u16string_view s, std::u16string& out) {
  out.resize(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = WideUpperChar(s[i]);
}

std::u16string WideUpperCase(std::u16string_view s) {
  std::u16string out;
  WideUpperCaseInto(s, out);
  return out;
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = WideUpperChar(a[i]);
    const char16_t y = WideUpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) {
  const int folded = WideCompareText(a, b);
  if (folded != 0) return folded;
  return Sign(a.compare(b));
}

}  // namespace varnika
