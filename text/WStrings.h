// Lists of UTF-16 strings, each paired with an object pointer that the list
// does not own.
//
// TWStrings is the abstract list; TWStringList the array-backed list with an
// optional sorted mode and change events; TWHashedStringList answers IndexOf
// and IndexOfName through two hash indexes that are rebuilt lazily, at the
// first look-up after a change.
//
// Text is a sequence of lines, each ended by CR LF; files hold that text as
// UTF-16 little-endian code units after the byte-order mark FF FE.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/Persistent.h"
#include "text/WStringHash.h"

namespace varnika {

class TStream;
class TWStrings;
class TWStringList;

using TWStringsNotifyEvent = std::function<void(TWStrings* sender)>;
// Compares the items at index1 and index2: negative, 0 or positive.
using TWStringListSortCompare = std::function<int(TWStringList& list, int index1, int index2)>;

// How a sorted list treats a string it already holds.
enum class TDuplicates : std::uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// Calls line(view) for every line of text up to its first NUL. Lines end at
// CR, LF or CR LF; a break at the very end adds no further empty line.
template <typename F>
void ForEachTextLine(std::u16string_view text, F&& line) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    line(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == u'\r') ++pos;
    if (pos < text.size() && text[pos] == u'\n') ++pos;
  }
}

// How a text file is stored; each but Utf8 begins with its byte-order mark.
enum class TTextEncoding : std::uint8_t { Utf16LE, Utf16BE, Utf8Bom, Utf8 };

// The largest text file the lists and INI files read.
inline constexpr std::uint64_t kMaxTextFileBytes = 16 << 20;

// Reads the stream from its position to its end as UTF-16 LE code units; an
// odd last byte is ignored.
std::u16string ReadUtf16Stream(TStream& stream);
// Reads a whole file's bytes. Raises EFOpenError "Cannot open file "%s". %s"
// for a missing file, a directory, anything else that is not a regular file
// (a FIFO or a device, refused without blocking) and a file larger than
// kMaxTextFileBytes.
std::string ReadFileBytes(const std::u16string& file_name);
// Reads a whole UTF-16 LE file, skipping a leading FF FE; raises as
// ReadFileBytes.
std::u16string ReadUtf16File(const std::u16string& file_name);
// Decodes text by its byte-order mark: FF FE UTF-16 LE, FE FF UTF-16 BE,
// EF BB BF UTF-8. Without a mark the bytes are UTF-8 when they are valid
// UTF-8 without a NUL, and UTF-16 LE otherwise. Malformed sequences become
// U+FFFD; an odd last byte of UTF-16 is ignored.
std::u16string DecodeText(std::string_view bytes, TTextEncoding& encoding);
// The bytes of text in encoding, with its mark.
std::string EncodeText(std::u16string_view text, TTextEncoding encoding);
// Writes the code units as UTF-16 LE; raises EWriteError "Stream write error".
void WriteUtf16Stream(TStream& stream, std::u16string_view text);

class TWStrings : public TPersistent {
 public:
  std::u16string ClassName() const override { return u"TWStrings"; }
  // From another TWStrings: its strings and objects replace this list's.
  void Assign(const TPersistent* source) override;

  virtual std::u16string Strings(int index) const = 0;
  virtual void SetStrings(int index, std::u16string s);
  virtual int Capacity() const { return Count(); }
  virtual void SetCapacity(int) {}
  virtual int Count() const = 0;
  virtual void* Objects(int index) const;
  virtual void SetObjects(int index, void* object);
  // Every item followed by CR LF.
  virtual std::u16string Text() const;
  // Replaces the items by the lines of text (see ForEachTextLine).
  virtual void SetText(std::u16string_view text);
  // -1, 0 or 1; ignores case here.
  virtual int CompareStrings(std::u16string_view a, std::u16string_view b) const;
  virtual int Add(std::u16string s);
  virtual int AddObject(std::u16string s, void* object);
  virtual void AddStrings(const TWStrings& other);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Exchange(int index1, int index2);
  // First match, or -1.
  virtual int IndexOf(std::u16string_view s) const;
  // First item with an "=" whose name matches, or -1.
  virtual int IndexOfName(std::u16string_view name) const;
  virtual int IndexOfObject(const void* object) const;
  virtual void Insert(int index, std::u16string s) = 0;
  virtual void LoadFromFile(const std::u16string& file_name);
  virtual void LoadFromStream(TStream& stream);
  virtual void Move(int from, int to);
  // Replaces the file atomically: on any failure the old file stays as it was.
  virtual void SaveToFile(const std::u16string& file_name) const;
  // The same in the given encoding (SaveToFile writes UTF-16 LE).
  void SaveToFile(const std::u16string& file_name, TTextEncoding encoding) const;
  virtual void SaveToStream(TStream& stream) const;

  // Brackets of changes: events fire once at the start and once at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  void InsertObject(int index, std::u16string s, void* object);
  // The text before the first "=", or empty when there is none.
  std::u16string Names(int index) const;

 protected:
  virtual void SetUpdateState(bool) {}
  // Runs body inside BeginUpdate/EndUpdate, closing the bracket on errors too.
  template <typename F>
  void Updating(F&& body) {
    BeginUpdate();
    try {
      body();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  [[noreturn]] static void ListError(const char16_t* format, int index);

 private:
  std::int32_t update_count_ = 0;
};

class TWStringList : public TWStrings {
 public:
  TWStringList() = default;
  ~TWStringList() override = default;

  std::u16string ClassName() const override { return u"TWStringList"; }

  std::u16string Strings(int index) const override { return StringAt(index); }
  void SetStrings(int index, std::u16string s) override;
  int Capacity() const override { return capacity_; }
  // Raises "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int capacity) override;
  int Count() const override { return static_cast<int>(items_.size()); }
  void* Objects(int index) const override;
  void SetObjects(int index, void* object) override;
  std::u16string Text() const override;
  int CompareStrings(std::u16string_view a, std::u16string_view b) const override;
  int Add(std::u16string s) override;
  void Clear() override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(std::u16string_view s) const override;
  void Insert(int index, std::u16string s) override;
  void Move(int from, int to) override;

  // The item without a copy; checks the index like Strings.
  const std::u16string& StringAt(int index) const;

  // Bisection over a sorted list: true on a match. index is the match (the
  // first of equal items when Duplicates is dupAccept) or the insert position.
  virtual bool Find(std::u16string_view s, int& index) const;
  virtual void Sort();
  // Sorts with compare; does nothing in sorted mode or with fewer than 2 items.
  virtual void CustomSort(const TWStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return case_sensitive_; }
  // Re-sorts a sorted list with the new comparison.
  void SetCaseSensitive(bool case_sensitive);

  TWStringsNotifyEvent OnChange;
  TWStringsNotifyEvent OnChanging;

 protected:
  // Fire OnChange / OnChanging while no update bracket is open.
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;

 private:
  struct Item {
    std::u16string string;
    void* object = nullptr;
  };

  void CheckIndex(int index) const;
  void Grow();
  void InsertItem(int index, std::u16string s, void* object);
  void SortItems(const TWStringListSortCompare& compare);
  void QuickSort(int left, int right, const TWStringListSortCompare& compare);

  std::vector<Item> items_;
  int capacity_ = 0;
  bool sorted_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
  bool case_sensitive_ = false;
};

class TWHashedStringList : public TWStringList {
 public:
  std::u16string ClassName() const override { return u"TWHashedStringList"; }

  // Hash look-ups: of equal items the last one is found.
  int IndexOf(std::u16string_view s) const override;
  int IndexOfName(std::u16string_view name) const override;

 protected:
  void Changed() override;

 private:
  // One lazily built index; valid until the next change, and only for the
  // case sensitivity it was built with.
  struct Index {
    std::unique_ptr<TWStringHash> hash;
    bool valid = false;
    bool case_sensitive = false;
  };

  TWStringHash& Rebuild(Index& index, bool names) const;
  std::u16string_view Key(std::u16string_view s) const;

  mutable Index value_hash_;
  mutable Index name_hash_;
  mutable std::u16string key_;  // folded look-up key, reused between calls
};

}  // namespace varnika
