// Reading map. Text files at the top (UTF-16 with either byte order, UTF-8
// with or without a byte-order mark; reading and writing them whole), then
// TWStrings (the shared list behaviour: text, names and values, delimited
// text), TWStringList (the stored, sortable list: start here), and
// TWHashedStringList (name and value look-ups through hash tables).
#include "text/WStrings.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/Exceptions.h"
#include "base/FileRead.h"
#include "base/Format.h"
#include "base/Stream.h"
#include "base/Utf.h"
#include "text/WideCase.h"

namespace varnika {
namespace {

constexpr const char16_t* kIndexError = u"List index out of bounds (%d)";
constexpr const char16_t* kSortedError = u"Operation not allowed on sorted list";
constexpr const char16_t* kDuplicateError = u"String list does not allow duplicates";
constexpr const char16_t* kCapacityError = u"List capacity out of bounds (%d)";

[[noreturn]] void RaiseOpenError(const std::u16string& file_name, const std::u16string& reason) {
  throw EFOpenError(Format(u"Cannot open file \"%s\". %s", file_name, reason));
}

char16_t Swapped(char16_t c) { return static_cast<char16_t>((c << 8) | (c >> 8)); }

std::u16string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::u16string text(bytes.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
  if (big_endian != (std::endian::native == std::endian::big))
    for (char16_t& c : text) c = Swapped(c);
  return text;
}

std::string EncodeUtf16(std::u16string_view text, bool big_endian) {
  std::u16string units(text);
  if (big_endian != (std::endian::native == std::endian::big))
    for (char16_t& c : units) c = Swapped(c);
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

// Valid UTF-8 reads back to the same bytes; a NUL never stands in a text
// file written as UTF-8, while UTF-16 of Latin text is full of them.
bool LooksLikeUtf8(std::string_view bytes) {
  return bytes.find('\0') == std::string_view::npos && Utf16ToUtf8(Utf8ToUtf16(bytes)) == bytes;
}

constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

std::u16string ReadUtf16Stream(TStream& stream) {
  const std::int64_t left = stream.Size() - stream.Position();
  std::u16string text(static_cast<std::size_t>(std::max<std::int64_t>(left, 0) / 2), u'\0');
  const std::int64_t bytes = static_cast<std::int64_t>(text.size()) * 2;
  const std::int64_t got = bytes > 0 ? stream.Read(text.data(), bytes) : 0;
  text.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0) / 2));
  if constexpr (std::endian::native == std::endian::big)
    for (char16_t& c : text) c = static_cast<char16_t>((c << 8) | (c >> 8));
  return text;
}

std::string ReadFileBytes(const std::u16string& file_name) {
  std::string bytes;
  if (const int error = ReadRegularFile(Utf16ToUtf8(file_name), kMaxTextFileBytes, bytes); error != 0)
    RaiseOpenError(file_name, FileReadErrorText(error));
  return bytes;
}

std::u16string ReadUtf16File(const std::u16string& file_name) {
  const std::string bytes = ReadFileBytes(file_name);
  return DecodeUtf16(StartsWith(bytes, kUtf16LEMark) ? std::string_view(bytes).substr(2) : bytes, false);
}

std::u16string DecodeText(std::string_view bytes, TTextEncoding& encoding) {
  if (StartsWith(bytes, kUtf16LEMark)) {
    encoding = TTextEncoding::Utf16LE;
    return DecodeUtf16(bytes.substr(2), false);
  }
  if (StartsWith(bytes, kUtf16BEMark)) {
    encoding = TTextEncoding::Utf16BE;
    return DecodeUtf16(bytes.substr(2), true);
  }
  if (StartsWith(bytes, kUtf8Mark)) {
    encoding = TTextEncoding::Utf8Bom;
    return Utf8ToUtf16(bytes.substr(3));
  }
  if (LooksLikeUtf8(bytes)) {
    encoding = TTextEncoding::Utf8;
    return Utf8ToUtf16(bytes);
  }
  encoding = TTextEncoding::Utf16LE;
  return DecodeUtf16(bytes, false);
}

std::string EncodeText(std::u16string_view text, TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf16LE: return std::string(kUtf16LEMark) + EncodeUtf16(text, false);
    case TTextEncoding::Utf16BE: return std::string(kUtf16BEMark) + EncodeUtf16(text, true);
    case TTextEncoding::Utf8Bom: return std::string(kUtf8Mark) + Utf16ToUtf8(text);
    case TTextEncoding::Utf8: break;
  }
  return Utf16ToUtf8(text);
}

void WriteUtf16Stream(TStream& stream, std::u16string_view text) {
  if constexpr (std::endian::native == std::endian::little) {
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()) * 2);
  } else {
    std::u16string swapped(text);
    for (char16_t& c : swapped) c = static_cast<char16_t>((c << 8) | (c >> 8));
    stream.WriteBuffer(swapped.data(), static_cast<std::int64_t>(swapped.size()) * 2);
  }
}

// --- TWStrings -------------------------------------------------------------

void TWStrings::ListError(const char16_t* format, int index) {
  throw EStringListError(Format(format, index));
}

void TWStrings::Assign(const TPersistent* source) {
  const auto* strings = dynamic_cast<const TWStrings*>(source);
  if (strings == nullptr) return TPersistent::Assign(source);
  if (strings == this) return;  // clearing first would lose every item
  Updating([&] {
    Clear();
    AddStrings(*strings);
  });
}

void TWStrings::SetStrings(int index, std::u16string s) {
  void* object = Objects(index);
  Delete(index);
  InsertObject(index, std::move(s), object);
}

void* TWStrings::Objects(int) const { return nullptr; }

void TWStrings::SetObjects(int, void*) {}

std::u16string TWStrings::Text() const {
  std::u16string text;
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    text += Strings(i);
    text += u"\r\n";
  }
  return text;
}

void TWStrings::SetText(std::u16string_view text) {
  Updating([&] {
    Clear();
    ForEachTextLine(text, [this](std::u16string_view line) { Add(std::u16string(line)); });
  });
}

int TWStrings::CompareStrings(std::u16string_view a, std::u16string_view b) const {
  return WideCompareText(a, b);
}

int TWStrings::Add(std::u16string s) {
  const int index = Count();
  Insert(index, std::move(s));
  return index;
}

int TWStrings::AddObject(std::u16string s, void* object) {
  const int index = Add(std::move(s));
  SetObjects(index, object);
  return index;
}

void TWStrings::AddStrings(const TWStrings& other) {
  Updating([&] {
    const int count = other.Count();  // fixed first: other may be this list
    for (int i = 0; i < count; ++i) AddObject(other.Strings(i), other.Objects(i));
  });
}

void TWStrings::Exchange(int index1, int index2) {
  Updating([&] {
    std::u16string s = Strings(index1);
    void* object = Objects(index1);
    SetStrings(index1, Strings(index2));
    SetObjects(index1, Objects(index2));
    SetStrings(index2, std::move(s));
    SetObjects(index2, object);
  });
}

int TWStrings::IndexOf(std::u16string_view s) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TWStrings::IndexOfName(std::u16string_view name) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    const std::u16string s = Strings(i);
    const std::size_t eq = s.find(u'=');
    if (eq != std::u16string::npos && CompareStrings(std::u16string_view(s).substr(0, eq), name) == 0)
      return i;
  }
  return -1;
}

int TWStrings::IndexOfObject(const void* object) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (Objects(i) == object) return i;
  return -1;
}

void TWStrings::LoadFromFile(const std::u16string& file_name) {
  const std::u16string text = ReadUtf16File(file_name);
  Updating([&] { SetText(text); });
}

void TWStrings::LoadFromStream(TStream& stream) {
  Updating([&] { SetText(ReadUtf16Stream(stream)); });
}

void TWStrings::Move(int from, int to) {
  if (from == to) return;
  // Both positions are checked first, so a bad target never loses the item.
  const int count = Count();
  if (from < 0 || from >= count) ListError(kIndexError, from);
  if (to < 0 || to >= count) ListError(kIndexError, to);
  Updating([&] {
    std::u16string s = Strings(from);
    void* object = Objects(from);
    Delete(from);
    InsertObject(to, std::move(s), object);
  });
}

void TWStrings::SaveToFile(const std::u16string& file_name) const {
  SaveToFile(file_name, TTextEncoding::Utf16LE);
}

void TWStrings::SaveToFile(const std::u16string& file_name, TTextEncoding encoding) const {
  const std::string bytes = EncodeText(Text(), encoding);
  ReplaceFileAtomically(file_name, [&bytes](TStream& stream) {
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  });
}

void TWStrings::SaveToStream(TStream& stream) const { WriteUtf16Stream(stream, Text()); }

void TWStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TWStrings::EndUpdate() {
  if (update_count_ <= 0) return;  // unbalanced: nothing to close
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

void TWStrings::InsertObject(int index, std::u16string s, void* object) {
  Insert(index, std::move(s));
  SetObjects(index, object);
}

std::u16string TWStrings::Names(int index) const {
  const std::u16string s = Strings(index);
  const std::size_t eq = s.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : s.substr(0, eq);
}

// --- TWStringList ----------------------------------------------------------

void TWStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListError(kIndexError, index);
}

const std::u16string& TWStringList::StringAt(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].string;
}

std::u16string TWStringList::Text() const {
  std::size_t size = 0;
  for (const Item& item : items_) size += item.string.size() + 2;
  std::u16string text;
  text.reserve(size);
  for (const Item& item : items_) {
    text += item.string;
    text += u"\r\n";
  }
  return text;
}

void TWStringList::SetStrings(int index, std::u16string s) {
  if (sorted_) ListError(kSortedError, 0);
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].string = std::move(s);
  Changed();
}

void TWStringList::SetCapacity(int capacity) {
  if (capacity < Count()) ListError(kCapacityError, capacity);
  std::vector<Item> items;
  items.reserve(static_cast<std::size_t>(capacity));
  std::move(items_.begin(), items_.end(), std::back_inserter(items));
  items_.swap(items);
  capacity_ = capacity;
}

void* TWStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].object;
}

void TWStringList::SetObjects(int index, void* object) {
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].object = object;
  Changed();
}

int TWStringList::CompareStrings(std::u16string_view a, std::u16string_view b) const {
  return case_sensitive_ ? WideCompareStr(a, b) : WideCompareText(a, b);
}

int TWStringList::Add(std::u16string s) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == TDuplicates::dupIgnore) return index;
    if (duplicates_ == TDuplicates::dupError) ListError(kDuplicateError, 0);
  }
  InsertItem(index, std::move(s), nullptr);
  return index;
}

void TWStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item>().swap(items_);
  capacity_ = 0;
  Changed();
}

void TWStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TWStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
  Changed();
}

int TWStringList::IndexOf(std::u16string_view s) const {
  if (!sorted_) return TWStrings::IndexOf(s);
  int index = -1;
  return Find(s, index) ? index : -1;
}

void TWStringList::Insert(int index, std::u16string s) {
  if (sorted_) ListError(kSortedError, 0);
  if (index < 0 || index > Count()) ListError(kIndexError, index);
  InsertItem(index, std::move(s), nullptr);
}

void TWStringList::Move(int from, int to) {
  if (from != to && sorted_) ListError(kSortedError, 0);
  TWStrings::Move(from, to);
}

void TWStringList::Grow() {
  const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ + delta);
}

void TWStringList::InsertItem(int index, std::u16string s, void* object) {
  Changing();
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, Item{std::move(s), object});
  Changed();
}

bool TWStringList::Find(std::u16string_view s, int& index) const {
  bool found = false;
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const int c = CompareStrings(items_[static_cast<std::size_t>(mid)].string, s);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != TDuplicates::dupAccept) low = mid;
      }
    }
  }
  index = low;
  return found;
}

namespace {

int CompareItems(TWStringList& list, int index1, int index2) {
  return list.CompareStrings(list.StringAt(index1), list.StringAt(index2));
}

}  // namespace

void TWStringList::Sort() { CustomSort(CompareItems); }

void TWStringList::CustomSort(const TWStringListSortCompare& compare) {
  if (!sorted_ && Count() > 1) SortItems(compare);
}

void TWStringList::SortItems(const TWStringListSortCompare& compare) {
  if (Count() < 2) return;
  Changing();
  try {
    QuickSort(0, Count() - 1, compare);
  } catch (...) {
    Changed();  // the order may have changed before the comparison failed
    throw;
  }
  Changed();
}

// Hoare partition around the middle item. The guards keep the scans inside
// [left, right] even for a comparison that contradicts itself; a consistent
// one never needs them. Recursing into the smaller part bounds the depth.
void TWStringList::QuickSort(int left, int right, const TWStringListSortCompare& compare) {
  while (left < right) {
    int i = left;
    int j = right;
    int pivot = left + (right - left) / 2;
    do {
      while (i < right && compare(*this, i, pivot) < 0) ++i;
      while (j > left && compare(*this, j, pivot) > 0) --j;
      if (i <= j) {
        std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
        if (pivot == i)
          pivot = j;
        else if (pivot == j)
          pivot = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - left < right - i) {
      if (left < j) QuickSort(left, j, compare);
      left = i;
    } else {
      if (i < right) QuickSort(i, right, compare);
      right = j;
    }
  }
}

void TWStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) SortItems(CompareItems);
  sorted_ = sorted;
}

void TWStringList::SetCaseSensitive(bool case_sensitive) {
  if (case_sensitive == case_sensitive_) return;
  case_sensitive_ = case_sensitive;
  if (sorted_) SortItems(CompareItems);
}

void TWStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TWStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TWStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

// --- TWHashedStringList ----------------------------------------------------

std::u16string_view TWHashedStringList::Key(std::u16string_view s) const {
  if (CaseSensitive()) return s;
  WideUpperCaseInto(s, key_);
  return key_;
}

TWStringHash& TWHashedStringList::Rebuild(Index& index, bool names) const {
  if (index.valid && index.case_sensitive == CaseSensitive()) return *index.hash;
  if (index.hash)
    index.hash->Clear();
  else
    index.hash = std::make_unique<TWStringHash>(256);
  index.valid = false;
  const bool fold = !CaseSensitive();
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    std::u16string_view key = StringAt(i);
    if (names) {
      const std::size_t eq = key.find(u'=');
      if (eq == std::u16string_view::npos) continue;
      key = key.substr(0, eq);
    }
    index.hash->Add(fold ? WideUpperCase(key) : std::u16string(key), i);
  }
  index.valid = true;
  index.case_sensitive = CaseSensitive();
  return *index.hash;
}

int TWHashedStringList::IndexOf(std::u16string_view s) const {
  const TWStringHash& hash = Rebuild(value_hash_, false);
  return hash.ValueOf(Key(s));
}

int TWHashedStringList::IndexOfName(std::u16string_view name) const {
  const TWStringHash& hash = Rebuild(name_hash_, true);
  return hash.ValueOf(Key(name));
}

void TWHashedStringList::Changed() {
  // Invalidate first, so that an OnChange handler that raises cannot leave
  // a stale index behind.
  value_hash_.valid = false;
  name_hash_.valid = false;
  TWStringList::Changed();
}

}  // namespace varnika
