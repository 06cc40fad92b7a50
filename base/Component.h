// The component base: an owner frees the components it owns; each component
// has a Name (unique among its owner's components, or empty) and a Tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnika {

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  TComponent* FindComponent(std::u16string_view name) const;

  const std::u16string& Name() const { return name_; }
  // Raises EComponentError when another component of the same owner already
  // has that name (compared ignoring ASCII case).
  virtual void SetName(const std::u16string& name);

  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last created first.
  void DestroyComponents();

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::u16string name_;
  std::intptr_t tag_ = 0;
};

}  // namespace varnika
