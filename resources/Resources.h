// The executable's embedded resources: files placed into the program at build
// time (varnika_embed_resources in EmbedResources.cmake), found by type name
// and numeric id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/Exceptions.h"

namespace varnika {

// Resource types of the program.
inline constexpr std::u16string_view kResourceTypePng = u"PNG";
// The same image (same id) drawn at twice the resolution, for scaled displays.
inline constexpr std::u16string_view kResourceTypePng2x = u"PNG2X";
inline constexpr std::u16string_view kResourceTypeIcon = u"ICON";
inline constexpr std::u16string_view kResourceTypeMenu = u"MENU";
inline constexpr std::u16string_view kResourceTypeStringTable = u"STRINGTABLE";
// fontconfig rules (XML) the program adds to the system's configuration.
inline constexpr std::u16string_view kResourceTypeFontConfig = u"FONTCONFIG";

struct ResourceEntry {
  const char16_t* type;
  int id;
  const std::uint8_t* begin;
  const std::uint8_t* end;

  std::span<const std::uint8_t> Data() const {
    return {begin, static_cast<std::size_t>(end - begin)};
  }
};

struct ResourceSet {
  const ResourceEntry* entries;
  std::size_t count;
};

// Makes a set visible to the look-ups for the lifetime of the registration
// object; generated resource files hold one as a static object. Sets
// registered later are searched first; the program's own set is searched
// last.
class ResourceSetRegistration {
 public:
  explicit ResourceSetRegistration(const ResourceSet& set) noexcept;
  ~ResourceSetRegistration();
  ResourceSetRegistration(const ResourceSetRegistration&) = delete;
  ResourceSetRegistration& operator=(const ResourceSetRegistration&) = delete;

 private:
  friend const ResourceEntry* FindResource(std::u16string_view type, int id);
  const ResourceSet& set_;
  ResourceSetRegistration* next_;
};

// The resource of that type (compared ignoring ASCII case) and id, or null.
const ResourceEntry* FindResource(std::u16string_view type, int id);

// The bytes of the resource, or an empty span when there is none.
std::span<const std::uint8_t> FindResourceData(std::u16string_view type, int id);

// The bytes of the resource; raises EResNotFound ("Resource %s not found",
// with the id in decimal) when there is none.
std::span<const std::uint8_t> LoadResourceData(std::u16string_view type, int id);

[[noreturn]] void RaiseResNotFound(int id);

// A resource whose text does not follow its format.
class EResourceFormatError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace varnika
