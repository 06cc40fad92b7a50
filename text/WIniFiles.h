// INI files kept whole in memory.
//
// TWCustomIniFile declares the typed reads and writes and builds them on
// ReadString/WriteString; TWMemIniFile holds the sections and their entries
// ("name=value", or text without "=") in hashed string lists, loads the file
// once at construction and writes it back only in UpdateFile.
//
// Section and entry names match without regard to case. Of two sections or
// entries with the same name the last one is found; both are kept and
// written back.
//
// File format (UTF-16 LE after FF FE, UTF-16 BE after FE FF, or UTF-8 with
// or without EF BB BF, as DecodeText reads them; written back in the
// encoding it was read in, a new file in UTF-16 LE after FF FE; lines end in
// CR LF, LF or CR):
//   reading  lines are trimmed of code units <= U+0020; blank lines and
//            lines starting with ";" are skipped; "[name]" starts a section;
//            text before the first section is dropped; "name = value" is
//            stored as "name=value" with both parts trimmed; the escapes \\,
//            \r, \n and \t are decoded, and a backslash before any other
//            character is dropped together with that character.
//   writing  for each section "[name]", its entries escaped (\ CR LF TAB
//            as \\ \r \n \t), then an empty line.
//
// Typed values are converted without regard to the locale; see
// text/Convert.h for their textual forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/Convert.h"
#include "text/WStrings.h"

namespace varnika {

class TStream;

class TWCustomIniFile {
 public:
  explicit TWCustomIniFile(std::u16string file_name) : file_name_(std::move(file_name)) {}
  TWCustomIniFile(const TWCustomIniFile&) = delete;
  TWCustomIniFile& operator=(const TWCustomIniFile&) = delete;
  virtual ~TWCustomIniFile() = default;

  const std::u16string& FileName() const { return file_name_; }

  virtual std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                                    std::u16string_view default_value) const = 0;
  virtual void WriteString(std::u16string_view section, std::u16string_view ident,
                           std::u16string_view value) = 0;
  // Decimal, "$" hexadecimal or "0x" hexadecimal; anything else gives the default.
  virtual std::int32_t ReadInteger(std::u16string_view section, std::u16string_view ident,
                                   std::int32_t default_value) const;
  virtual void WriteInteger(std::u16string_view section, std::u16string_view ident, std::int32_t value);
  // Any integer other than 0 is true.
  virtual bool ReadBool(std::u16string_view section, std::u16string_view ident, bool default_value) const;
  virtual void WriteBool(std::u16string_view section, std::u16string_view ident, bool value);
  // "0x" and eight lower-case hexadecimal digits.
  virtual void WriteHexInteger(std::u16string_view section, std::u16string_view ident, std::int32_t value);
  // Writes the bytes of a hexadecimal value at value's position; returns
  // their number, 0 for a missing or malformed value.
  virtual int ReadBinaryStream(std::u16string_view section, std::u16string_view ident, TStream& value) const;
  virtual TDateTime ReadDate(std::u16string_view section, std::u16string_view ident,
                             TDateTime default_value) const;
  virtual TDateTime ReadDateTime(std::u16string_view section, std::u16string_view ident,
                                 TDateTime default_value) const;
  virtual double ReadFloat(std::u16string_view section, std::u16string_view ident, double default_value) const;
  virtual TDateTime ReadTime(std::u16string_view section, std::u16string_view ident,
                             TDateTime default_value) const;
  // Stores the bytes from value's position to its end as hexadecimal text.
  virtual void WriteBinaryStream(std::u16string_view section, std::u16string_view ident, TStream& value);
  virtual void WriteDate(std::u16string_view section, std::u16string_view ident, TDateTime value);
  virtual void WriteDateTime(std::u16string_view section, std::u16string_view ident, TDateTime value);
  virtual void WriteFloat(std::u16string_view section, std::u16string_view ident, double value);
  virtual void WriteTime(std::u16string_view section, std::u16string_view ident, TDateTime value);

  // The names of the section's entries, in order ("" for text without "=").
  virtual void ReadSection(std::u16string_view section, TWStrings& strings) const = 0;
  virtual void ReadSections(TWStrings& strings) const = 0;
  // The section's entries as stored ("name=value").
  virtual void ReadSectionValues(std::u16string_view section, TWStrings& strings) const = 0;
  virtual void EraseSection(std::u16string_view section) = 0;
  virtual void DeleteKey(std::u16string_view section, std::u16string_view ident) = 0;
  // Writes the whole file; the old file stays intact when that fails.
  virtual void UpdateFile() = 0;

 private:
  std::u16string file_name_;
};

class TWMemIniFile : public TWCustomIniFile {
 public:
  // Loads file_name (LoadValues): a missing file or an empty name gives an
  // empty INI; a file that exists but cannot be read raises EFOpenError.
  explicit TWMemIniFile(std::u16string file_name);
  ~TWMemIniFile() override;

  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view default_value) const override;
  void WriteString(std::u16string_view section, std::u16string_view ident,
                   std::u16string_view value) override;
  void ReadSection(std::u16string_view section, TWStrings& strings) const override;
  void ReadSections(TWStrings& strings) const override;
  void ReadSectionValues(std::u16string_view section, TWStrings& strings) const override;
  void EraseSection(std::u16string_view section) override;
  void DeleteKey(std::u16string_view section, std::u16string_view ident) override;
  void UpdateFile() override;

  // Discards the memory state and rereads the file. A path that exists but
  // is not a readable regular file (a directory, say) raises EFOpenError
  // and leaves the memory state as it was.
  virtual void LoadValues();
  // The encoding the file was read in, which UpdateFile writes.
  TTextEncoding Encoding() const { return encoding_; }

  // Appends the file's lines to lines.
  void GetStrings(TWStrings& lines) const;
  // Replaces every section by those read from lines.
  void SetStrings(const TWStrings& lines);

 protected:
  // For a derived store that loads the file itself (LoadValues), to handle
  // a file that cannot be read.
  struct TDeferLoad {};
  TWMemIniFile(std::u16string file_name, TDeferLoad);

  // Appends a new empty section and returns its entries.
  TWHashedStringList* AddSection(std::u16string_view name);

 private:
  TWHashedStringList* Section(std::u16string_view name) const;
  TWHashedStringList* SectionAt(int index) const;
  void FreeSections();
  void ParseLine(std::u16string_view line, TWHashedStringList*& current);

  TWHashedStringList sections_;
  TTextEncoding encoding_ = TTextEncoding::Utf16LE;
};

}  // namespace varnika
