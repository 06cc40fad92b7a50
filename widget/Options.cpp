#include "widget/Options.h"

#include <cstdio>

#include "base/Exceptions.h"
#include "base/Utf.h"
#include "platform/Layered.h"
#include "platform/Monitors.h"

namespace varnika {
namespace {

constexpr std::u16string_view kGeneral = u"general";
constexpr std::u16string_view kOptions = u"options";
constexpr std::u16string_view kFeed = u"feed";
constexpr int kWidgetWidth = 475;
constexpr int kWidgetHeight = 350;

struct TOwnedKey {
  std::u16string_view section;
  std::u16string_view name;
};

// The keys the program writes; everything else in the file is the user's.
constexpr TOwnedKey kOwnedKeys[] = {
    {kGeneral, u"left"},      {kGeneral, u"top"},       {kOptions, u"startup"},
    {kOptions, u"alwaystop"}, {kOptions, u"showtray"},  {kOptions, u"autoscale"},
};

bool HasKey(const TWMemIniFile& ini, std::u16string_view section, std::u16string_view name) {
  TWStringList names;
  ini.ReadSection(section, names);
  return names.IndexOf(name) >= 0;
}

}  // namespace

TOptions::TOptions(std::u16string file_name) : TWMemIniFile(std::move(file_name), TDeferLoad{}) {
  try {
    LoadValues();
  } catch (const EFOpenError& error) {
    readable_ = false;
    std::fprintf(stderr, "Varnika: %s; running on the default options, which will not be saved\n",
                 Narrow(error.Message()).c_str());
  }
  // The primary monitor's work area.
  MONITORINFO primary;
  RECT work;
  POINT origin{0, 0};
  if (GetMonitorInfoW(PrimaryMonitor(), &primary)) {
    work = primary.rcWork;
    origin = POINT{primary.rcMonitor.left, primary.rcMonitor.top};
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  }
  // Offsets from the monitor's corner by the work area's size: the centred
  // position when the work area starts at the monitor's corner.
  default_top_ = origin.y + (work.bottom - work.top - kWidgetHeight) / 2;
  default_left_ = origin.x + (work.right - work.left - kWidgetWidth) / 2;
}

bool TOptions::ReadAlwaysTop() const { return ReadBool(kOptions, u"alwaystop", true); }
bool TOptions::ReadAutoScale() const { return ReadBool(kOptions, u"autoscale", true); }
bool TOptions::ReadShowTray() const { return ReadBool(kOptions, u"showtray", true); }
bool TOptions::ReadStartup() const { return ReadBool(kOptions, u"startup", true); }
bool TOptions::StartupStored() const { return !ReadString(kOptions, u"startup", u"").empty(); }
int TOptions::ReadLeft() const { return ReadInteger(kGeneral, u"left", default_left_); }
int TOptions::ReadTop() const { return ReadInteger(kGeneral, u"top", default_top_); }
std::string TOptions::ReadFeedUrl() const { return Utf16ToUtf8(ReadString(kFeed, u"url", u"")); }

bool TOptions::ReloadFeedUrl() {
  try {
    const TWMemIniFile current(FileName());
    if (HasKey(current, kFeed, u"url")) {
      WriteString(kFeed, u"url", current.ReadString(kFeed, u"url", u""));
    } else {
      DeleteKey(kFeed, u"url");
    }
    return true;
  } catch (const EFOpenError&) {
    return false;
  }
}

void TOptions::WriteAlwaysTop(bool value) { WriteBool(kOptions, u"alwaystop", value); }
void TOptions::WriteAutoScale(bool value) { WriteBool(kOptions, u"autoscale", value); }
void TOptions::WriteShowTray(bool value) { WriteBool(kOptions, u"showtray", value); }
void TOptions::WriteStartup(bool value) { WriteBool(kOptions, u"startup", value); }
void TOptions::WriteLeft(int value) { WriteInteger(kGeneral, u"left", value); }
void TOptions::WriteTop(int value) { WriteInteger(kGeneral, u"top", value); }

void TOptions::UpdateFile() {
  if (!readable_) return;
  TWMemIniFile current(FileName());
  for (const TOwnedKey& key : kOwnedKeys) {
    if (HasKey(*this, key.section, key.name))
      current.WriteString(key.section, key.name, ReadString(key.section, key.name, u""));
  }
  current.UpdateFile();
}

}  // namespace varnika
