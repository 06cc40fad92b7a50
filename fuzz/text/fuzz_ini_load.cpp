// Loads arbitrary bytes as an INI file, writes it back and loads it again:
// after that first normalisation (trimming, comments, dropped escapes) a
// further write and load must give the same sections, entries and bytes.
// Every entry is also read through the typed reads.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "base/Utf.h"
#include "text/WIniFiles.h"

using namespace varnika;

namespace {

const std::string& FilePath() {
  static const std::string path = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  std::string("/varnika-fuzz-ini-") + std::to_string(::getpid()) + ".ini";
  return path;
}

std::string ReadBytes() {
  std::ifstream in(FilePath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every section with its raw entries, one string per line.
std::vector<std::u16string> Dump(const TWMemIniFile& ini) {
  std::vector<std::u16string> out;
  TWStringList sections;
  ini.ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) out.push_back(u"[" + sections.StringAt(i) + u"]");
  TWStringList lines;
  ini.GetStrings(lines);
  for (int i = 0; i < lines.Count(); ++i) out.push_back(lines.StringAt(i));
  return out;
}

void ReadEverything(const TWMemIniFile& ini) {
  TWStringList sections;
  ini.ReadSections(sections);
  for (int i = 0; i < sections.Count() && i < 16; ++i) {
    TWStringList names;
    ini.ReadSection(sections.StringAt(i), names);
    for (int j = 0; j < names.Count() && j < 16; ++j) {
      const std::u16string& s = sections.StringAt(i);
      const std::u16string& n = names.StringAt(j);
      ini.ReadInteger(s, n, 0);
      ini.ReadFloat(s, n, 0);
      ini.ReadDateTime(s, n, 0);
      ini.ReadTime(s, n, 0);
      TMemoryStream bytes;
      if (ini.ReadBinaryStream(s, n, bytes) != bytes.Size()) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(FilePath(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const std::u16string path = Utf8ToUtf16(FilePath());
  {
    TWMemIniFile ini(path);
    ReadEverything(ini);
    ini.UpdateFile();
  }
  TWMemIniFile first(path);
  const std::vector<std::u16string> dump = Dump(first);
  first.UpdateFile();
  const std::string bytes = ReadBytes();
  TWMemIniFile second(path);
  if (Dump(second) != dump) std::abort();
  second.UpdateFile();
  if (ReadBytes() != bytes) std::abort();
  return 0;
}
