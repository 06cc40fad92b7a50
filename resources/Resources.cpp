#include "resources/Resources.h"

#include <string>

#include "base/AsciiCase.h"
#include "base/Format.h"

namespace varnika {

// Generated from the program's resource list (resources/CMakeLists.txt).
extern const ResourceSet kProgramResourceSet;

namespace {

// Sets registered by generated files, most recent first. Constant-initialised,
// so registrations made while the program starts always find it ready.
constinit ResourceSetRegistration* g_registered_sets = nullptr;

bool SameType(std::u16string_view a, const char16_t* b) { return EqualsNoCase(a, std::u16string_view(b)); }

const ResourceEntry* FindInSet(const ResourceSet& set, std::u16string_view type, int id) {
  for (std::size_t i = 0; i < set.count; ++i) {
    const ResourceEntry& entry = set.entries[i];
    if (entry.id == id && SameType(type, entry.type)) return &entry;
  }
  return nullptr;
}

}  // namespace

ResourceSetRegistration::ResourceSetRegistration(const ResourceSet& set) noexcept
    : set_(set), next_(g_registered_sets) {
  g_registered_sets = this;
}

ResourceSetRegistration::~ResourceSetRegistration() {
  for (ResourceSetRegistration** link = &g_registered_sets; *link; link = &(*link)->next_) {
    if (*link == this) {
      *link = next_;
      break;
    }
  }
}

const ResourceEntry* FindResource(std::u16string_view type, int id) {
  for (const ResourceSetRegistration* r = g_registered_sets; r; r = r->next_) {
    if (const ResourceEntry* entry = FindInSet(r->set_, type, id)) return entry;
  }
  return FindInSet(kProgramResourceSet, type, id);
}

std::span<const std::uint8_t> FindResourceData(std::u16string_view type, int id) {
  const ResourceEntry* entry = FindResource(type, id);
  return entry ? entry->Data() : std::span<const std::uint8_t>();
}

std::span<const std::uint8_t> LoadResourceData(std::u16string_view type, int id) {
  const ResourceEntry* entry = FindResource(type, id);
  if (!entry) RaiseResNotFound(id);
  return entry->Data();
}

void RaiseResNotFound(int id) {
  throw EResNotFound(Format(u"Resource %s not found", std::to_string(id)));
}

}  // namespace varnika
