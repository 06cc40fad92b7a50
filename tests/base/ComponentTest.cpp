#include "base/Component.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/Exceptions.h"

using namespace varnika;

namespace {

class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<int>& log, int id) : TComponent(owner), log_(log), id_(id) {}
  ~Probe() override { log_.push_back(id_); }

 private:
  std::vector<int>& log_;
  int id_;
};

}  // namespace

TEST(Component, OwnerFreesOwnedComponentsLastFirstAndRecursively) {
  std::vector<int> log;
  auto* root = new Probe(nullptr, log, 0);
  auto* a = new Probe(root, log, 1);
  new Probe(a, log, 11);
  new Probe(root, log, 2);
  EXPECT_EQ(root->ComponentCount(), 2);
  delete root;
  // A destructor body runs before its owned components are freed.
  EXPECT_EQ(log, (std::vector<int>{0, 2, 1, 11}));
}

TEST(Component, FreeingAnOwnedComponentRemovesItFromItsOwner) {
  std::vector<int> log;
  Probe root(nullptr, log, 0);
  auto* a = new Probe(&root, log, 1);
  delete a;
  EXPECT_EQ(root.ComponentCount(), 0);
}

TEST(Component, NamesAreUniquePerOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName(u"varnika");
  EXPECT_THROW(b->SetName(u"VARNIKA"), EComponentError);
  EXPECT_EQ(b->Name(), u"");
  b->SetName(u"other");
  EXPECT_EQ(owner.FindComponent(u"Varnika"), a);
  a->SetName(u"varnika");  // same name again is fine
  TComponent loose(nullptr);
  loose.SetName(u"varnika");  // no owner, no clash
  loose.SetTag(-7);
  EXPECT_EQ(loose.Tag(), -7);
}
