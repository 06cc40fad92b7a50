#include "platform/x11/DesktopScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/x11/XHandles.h"

namespace varnika::x11 {

namespace {

constexpr int kSettingInteger = 0;
constexpr int kSettingString = 1;
constexpr int kSettingColour = 2;
constexpr double kBaseDpi = 96.0;

// Reads the property's fields in the byte order it names.
class SettingsReader {
 public:
  explicit SettingsReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Skip(std::size_t n) {
    if (data_.size() - pos_ < n) return false;
    pos_ += n;
    return true;
  }
  bool SkipPadded(std::size_t n) { return Skip(n + (4 - n % 4) % 4); }
  std::optional<std::uint32_t> Card(std::size_t size) {
    if (data_.size() - pos_ < size) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t at = most_significant_first_ ? i : size - 1 - i;
      value = value << 8 | data_[pos_ + at];
    }
    pos_ += size;
    return value;
  }
  std::string_view Text(std::size_t n) const {
    return {reinterpret_cast<const char*>(data_.data() + pos_), std::min(n, data_.size() - pos_)};
  }
  void SetByteOrder(bool most_significant_first) { most_significant_first_ = most_significant_first; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool most_significant_first_ = false;
};

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The settings manager's window for the screen, or 0.
::Window SettingsOwner(Display* display, int screen) {
  const std::string selection = "_XSETTINGS_S" + std::to_string(screen);
  return XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False));
}

std::optional<std::int32_t> ReadXSettingsDpi(Display* display, int screen) {
  const ::Window owner = SettingsOwner(display, screen);
  if (owner == 0) return std::nullopt;
  const Atom settings = XInternAtom(display, "_XSETTINGS_SETTINGS", False);
  ErrorTrap trap(display);  // the manager may go away meanwhile
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(display, owner, settings, 0, 64 * 1024, False, settings, &type, &format,
                                        &count, &after, &raw);
  XMemory<unsigned char> data(raw);
  if (trap.Failed() || status != Success || !data || format != 8) return std::nullopt;
  return XSettingsInteger({data.get(), count}, "Xft/DPI");
}

}  // namespace

std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> data, std::string_view name) {
  SettingsReader reader(data);
  if (data.empty()) return std::nullopt;
  reader.SetByteOrder(data[0] == 1);  // MSBFirst
  if (!reader.Skip(8)) return std::nullopt;  // byte order, unused, serial
  const std::optional<std::uint32_t> settings = reader.Card(4);
  if (!settings) return std::nullopt;
  for (std::uint32_t i = 0; i < *settings; ++i) {
    const std::optional<std::uint32_t> type = reader.Card(1);
    std::optional<std::uint32_t> name_length;
    if (!type || !reader.Skip(1) || !(name_length = reader.Card(2))) return std::nullopt;
    const bool wanted = reader.Text(*name_length) == name;
    if (!reader.SkipPadded(*name_length) || !reader.Skip(4)) return std::nullopt;  // name, last-change serial
    switch (*type) {
      case kSettingInteger: {
        const std::optional<std::uint32_t> value = reader.Card(4);
        if (!value) return std::nullopt;
        if (wanted) return static_cast<std::int32_t>(*value);
        break;
      }
      case kSettingString: {
        const std::optional<std::uint32_t> length = reader.Card(4);
        if (!length || !reader.SkipPadded(*length)) return std::nullopt;
        break;
      }
      case kSettingColour:
        if (!reader.Skip(8)) return std::nullopt;
        break;
      default: return std::nullopt;
    }
    if (wanted) return std::nullopt;  // present, but not an integer
  }
  return std::nullopt;
}

std::optional<double> XftDpiResource(std::string_view resources) {
  while (!resources.empty()) {
    const std::size_t end = resources.find('\n');
    const std::string_view line = resources.substr(0, end);
    resources = end == std::string_view::npos ? std::string_view() : resources.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "Xft.dpi") continue;
    const std::string_view text = Trim(line.substr(colon + 1));
    double dpi = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), dpi);
    if (error != std::errc() || rest != text.data() + text.size() || !(dpi > 0) || !std::isfinite(dpi)) {
      return std::nullopt;
    }
    return dpi;
  }
  return std::nullopt;
}

int DesktopScale(const char* gdk_scale, std::optional<std::int32_t> xsettings_dpi, std::optional<double> resource_dpi) {
  if (gdk_scale && *gdk_scale) {
    const std::string_view text(gdk_scale);
    int scale = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (error == std::errc() && rest == text.data() + text.size() && scale > 0) {
      return std::min(scale, kMaxDesktopScale);
    }
  }
  double dpi = kBaseDpi;
  if (xsettings_dpi && *xsettings_dpi > 0) {
    dpi = *xsettings_dpi / 1024.0;
  } else if (resource_dpi) {
    dpi = *resource_dpi;
  }
  return std::clamp(static_cast<int>(std::floor(dpi / kBaseDpi)), 1, kMaxDesktopScale);
}

int ReadDesktopScale(Display* display, int screen) {
  std::optional<std::int32_t> xsettings_dpi;
  std::optional<double> resource_dpi;
  if (display) {
    xsettings_dpi = ReadXSettingsDpi(display, screen);
    if (const char* resources = XResourceManagerString(display)) resource_dpi = XftDpiResource(resources);
  }
  return DesktopScale(std::getenv("GDK_SCALE"), xsettings_dpi, resource_dpi);
}

}  // namespace varnika::x11
