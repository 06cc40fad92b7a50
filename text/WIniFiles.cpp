#include "text/WIniFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/Format.h"
#include "base/Stream.h"
#include "base/Utf.h"

namespace varnika {
namespace {

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && s.front() <= u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() <= u' ') s.remove_suffix(1);
  return s;
}

// Decodes the escapes of piece into out. pending carries a backslash that is
// still waiting for its character, also from one piece to the next.
void Unescape(std::u16string_view piece, bool& pending, std::u16string& out) {
  std::size_t pos = 0;
  while (pos < piece.size()) {
    if (!pending) {
      const std::size_t backslash = std::min(piece.find(u'\\', pos), piece.size());
      out.append(piece.substr(pos, backslash - pos));
      pending = backslash < piece.size();
      pos = backslash + 1;
      continue;
    }
    pending = false;
    switch (piece[pos++]) {
      case u'\\': out += u'\\'; break;
      case u'n': out += u'\n'; break;
      case u'r': out += u'\r'; break;
      case u't': out += u'\t'; break;
      default: break;  // an unknown escape vanishes with its backslash
    }
  }
}

std::u16string Escape(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size() + 8);
  for (const char16_t c : s) {
    switch (c) {
      case u'\\': out += u"\\\\"; break;
      case u'\r': out += u"\\r"; break;
      case u'\n': out += u"\\n"; break;
      case u'\t': out += u"\\t"; break;
      default: out += c;
    }
  }
  return out;
}

template <typename F>
void WithUpdate(TWStrings& strings, F&& body) {
  strings.BeginUpdate();
  try {
    body();
  } catch (...) {
    strings.EndUpdate();
    throw;
  }
  strings.EndUpdate();
}

bool FileExists(const std::u16string& file_name) {
  const std::string path = Utf16ToUtf8(file_name);
  struct stat st {};
  return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

// --- TWCustomIniFile -------------------------------------------------------

std::int32_t TWCustomIniFile::ReadInteger(std::u16string_view section, std::u16string_view ident,
                                          std::int32_t default_value) const {
  std::u16string text = ReadString(section, ident, u"");
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) text.replace(0, 2, u"$");
  std::int32_t value;
  return TryStrToInt(text, value) ? value : default_value;
}

void TWCustomIniFile::WriteInteger(std::u16string_view section, std::u16string_view ident, std::int32_t value) {
  WriteString(section, ident, Format(u"%d", value));
}

bool TWCustomIniFile::ReadBool(std::u16string_view section, std::u16string_view ident, bool default_value) const {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TWCustomIniFile::WriteBool(std::u16string_view section, std::u16string_view ident, bool value) {
  WriteString(section, ident, value ? u"1" : u"0");
}

void TWCustomIniFile::WriteHexInteger(std::u16string_view section, std::u16string_view ident,
                                      std::int32_t value) {
  WriteString(section, ident, Format(u"0x%.8x", value));
}

int TWCustomIniFile::ReadBinaryStream(std::u16string_view section, std::u16string_view ident,
                                      TStream& value) const {
  const std::u16string text = ReadString(section, ident, u"");
  std::vector<std::uint8_t> bytes;
  if (text.empty() || !HexToBytes(text, bytes)) return 0;
  value.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return static_cast<int>(bytes.size());
}

void TWCustomIniFile::WriteBinaryStream(std::u16string_view section, std::u16string_view ident,
                                        TStream& value) {
  const std::int64_t left = value.Size() - value.Position();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(left > 0 ? left : 0));
  value.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  WriteString(section, ident, BytesToHex(bytes.data(), bytes.size()));
}

namespace {

template <typename Parse, typename T>
T ReadTyped(const TWCustomIniFile& ini, std::u16string_view section, std::u16string_view ident, T default_value,
            Parse parse) {
  const std::u16string text = ini.ReadString(section, ident, u"");
  T value;
  return !text.empty() && parse(text, value) ? value : default_value;
}

}  // namespace

TDateTime TWCustomIniFile::ReadDate(std::u16string_view section, std::u16string_view ident,
                                    TDateTime default_value) const {
  return ReadTyped(*this, section, ident, default_value, TryStrToDate);
}

TDateTime TWCustomIniFile::ReadDateTime(std::u16string_view section, std::u16string_view ident,
                                        TDateTime default_value) const {
  return ReadTyped(*this, section, ident, default_value, TryStrToDateTime);
}

double TWCustomIniFile::ReadFloat(std::u16string_view section, std::u16string_view ident,
                                  double default_value) const {
  return ReadTyped(*this, section, ident, default_value, TryStrToFloat);
}

TDateTime TWCustomIniFile::ReadTime(std::u16string_view section, std::u16string_view ident,
                                    TDateTime default_value) const {
  return ReadTyped(*this, section, ident, default_value, TryStrToTime);
}

void TWCustomIniFile::WriteDate(std::u16string_view section, std::u16string_view ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

void TWCustomIniFile::WriteDateTime(std::u16string_view section, std::u16string_view ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

void TWCustomIniFile::WriteFloat(std::u16string_view section, std::u16string_view ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

void TWCustomIniFile::WriteTime(std::u16string_view section, std::u16string_view ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

// --- TWMemIniFile ----------------------------------------------------------

TWMemIniFile::TWMemIniFile(std::u16string file_name) : TWCustomIniFile(std::move(file_name)) {
  LoadValues();
}

TWMemIniFile::TWMemIniFile(std::u16string file_name, TDeferLoad) : TWCustomIniFile(std::move(file_name)) {}

TWMemIniFile::~TWMemIniFile() { FreeSections(); }

TWHashedStringList* TWMemIniFile::SectionAt(int index) const {
  return static_cast<TWHashedStringList*>(sections_.Objects(index));
}

TWHashedStringList* TWMemIniFile::Section(std::u16string_view name) const {
  const int index = sections_.IndexOf(name);
  return index < 0 ? nullptr : SectionAt(index);
}

TWHashedStringList* TWMemIniFile::AddSection(std::u16string_view name) {
  auto list = std::make_unique<TWHashedStringList>();
  list->SetCaseSensitive(sections_.CaseSensitive());
  sections_.AddObject(std::u16string(name), list.get());
  return list.release();
}

void TWMemIniFile::FreeSections() {
  for (int i = 0; i < sections_.Count(); ++i) delete SectionAt(i);
  sections_.Clear();
}

std::u16string TWMemIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                        std::u16string_view default_value) const {
  const TWHashedStringList* list = Section(section);
  const int index = list ? list->IndexOfName(ident) : -1;
  if (index < 0) return std::u16string(default_value);
  const std::u16string& entry = list->StringAt(index);
  return entry.substr(entry.find(u'=') + 1);
}

void TWMemIniFile::WriteString(std::u16string_view section, std::u16string_view ident,
                               std::u16string_view value) {
  TWHashedStringList* list = Section(section);
  if (list == nullptr) list = AddSection(section);
  std::u16string entry;
  entry.reserve(ident.size() + 1 + value.size());
  entry.append(ident).append(1, u'=').append(value);
  const int index = list->IndexOfName(ident);
  if (index >= 0)
    list->SetStrings(index, std::move(entry));
  else
    list->Add(std::move(entry));
}

void TWMemIniFile::ReadSection(std::u16string_view section, TWStrings& strings) const {
  WithUpdate(strings, [&] {
    strings.Clear();
    const TWHashedStringList* list = Section(section);
    if (list == nullptr) return;
    for (int i = 0; i < list->Count(); ++i) {
      const std::u16string& entry = list->StringAt(i);
      const std::size_t eq = entry.find(u'=');
      strings.Add(eq == std::u16string::npos ? std::u16string() : entry.substr(0, eq));
    }
  });
}

void TWMemIniFile::ReadSections(TWStrings& strings) const {
  // Names only: the section lists stay private to this file.
  WithUpdate(strings, [&] {
    strings.Clear();
    for (int i = 0; i < sections_.Count(); ++i) strings.Add(sections_.StringAt(i));
  });
}

void TWMemIniFile::ReadSectionValues(std::u16string_view section, TWStrings& strings) const {
  WithUpdate(strings, [&] {
    strings.Clear();
    if (const TWHashedStringList* list = Section(section)) strings.Assign(list);
  });
}

void TWMemIniFile::EraseSection(std::u16string_view section) {
  const int index = sections_.IndexOf(section);
  if (index < 0) return;
  TWHashedStringList* list = SectionAt(index);
  sections_.Delete(index);
  delete list;
}

void TWMemIniFile::DeleteKey(std::u16string_view section, std::u16string_view ident) {
  TWHashedStringList* list = Section(section);
  const int index = list ? list->IndexOfName(ident) : -1;
  if (index >= 0) list->Delete(index);
}

void TWMemIniFile::UpdateFile() {
  TWStringList lines;
  GetStrings(lines);
  lines.SaveToFile(FileName(), encoding_);
}

void TWMemIniFile::LoadValues() {
  if (FileName().empty() || !FileExists(FileName())) {
    encoding_ = TTextEncoding::Utf16LE;
    return FreeSections();
  }
  const std::u16string text = DecodeText(ReadFileBytes(FileName()), encoding_);
  FreeSections();
  TWHashedStringList* current = nullptr;
  ForEachTextLine(text, [&](std::u16string_view line) { ParseLine(line, current); });
}

void TWMemIniFile::GetStrings(TWStrings& lines) const {
  WithUpdate(lines, [&] {
    for (int i = 0; i < sections_.Count(); ++i) {
      lines.Add(u"[" + sections_.StringAt(i) + u"]");
      const TWHashedStringList* list = SectionAt(i);
      for (int j = 0; j < list->Count(); ++j) lines.Add(Escape(list->StringAt(j)));
      lines.Add(std::u16string());
    }
  });
}

void TWMemIniFile::SetStrings(const TWStrings& lines) {
  FreeSections();
  TWHashedStringList* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) ParseLine(lines.Strings(i), current);
}

void TWMemIniFile::ParseLine(std::u16string_view line, TWHashedStringList*& current) {
  line = Trim(line);
  if (line.empty() || line.front() == u';') return;
  if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
    current = AddSection(Trim(line.substr(1, line.size() - 2)));
    return;
  }
  if (current == nullptr) return;  // text before the first section
  std::u16string entry;
  entry.reserve(line.size());
  bool pending = false;
  const std::size_t eq = line.find(u'=');
  if (eq == std::u16string_view::npos) {
    Unescape(line, pending, entry);
  } else {
    Unescape(Trim(line.substr(0, eq)), pending, entry);
    Unescape(u"=", pending, entry);
    Unescape(Trim(line.substr(eq + 1)), pending, entry);
  }
  current->Add(std::move(entry));
}

}  // namespace varnika
