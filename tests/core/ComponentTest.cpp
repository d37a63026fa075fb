#include <gtest/gtest.h>

#include "core/Component.h"

namespace {
// Records destruction order and the notifications it receives.
struct Probe : TComponent {
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log) : TComponent(owner), FLog(log)
    {
        Name = std::move(name);
    }
    ~Probe() override { FLog.push_back("~" + Name); }
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == Link) {
            FLog.push_back(Name + " unlinks " + c->Name);
            Link = nullptr;
        }
    }
    TComponent* Link = nullptr;
    std::vector<std::string>& FLog;
};
} // namespace

TEST(Component, OwnerDestroysItsComponentsNewestFirst)
{
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", log);
    new Probe(owner, "a", log);
    auto* b = new Probe(owner, "b", log);
    new Probe(b, "b1", log);
    EXPECT_EQ(owner->ComponentCount(), 2u);
    EXPECT_EQ(owner->FindComponent("b"), b);
    delete owner;
    EXPECT_EQ(log, (std::vector<std::string>{"~owner", "~b", "~b1", "~a"}));
}

TEST(Component, DeletingAnOwnedComponentTakesItOutOfItsOwner)
{
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", log);
    auto* a = new Probe(&owner, "a", log);
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 0u);
}

TEST(Component, LinkIsClearedWhenTheLinkedComponentGoes)
{
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", log);
    auto* list = new Probe(&owner, "list", log);
    auto* label = new Probe(&owner, "label", log);
    list->Link = label;
    list->FreeNotification(label);
    delete label;
    EXPECT_EQ(list->Link, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"~label", "list unlinks label"}));
    // After RemoveFreeNotification nothing is told any more.
    auto* other = new Probe(&owner, "other", log);
    list->Link = other;
    list->FreeNotification(other);
    list->RemoveFreeNotification(other);
    delete other;
    EXPECT_EQ(list->Link, other);
}

namespace {
// A component with two links, as a list keeps to its label and its partner.
struct Linker : TComponent {
    explicit Linker(TComponent* owner) : TComponent(owner) {}
    TComponentLink<TComponent> First{*this, [this] { FirstCleared = First.get() == nullptr; }};
    TComponentLink<Linker> Partner{*this};
    bool FirstCleared = false;
};
} // namespace

TEST(ComponentLink, ClearsItselfAndTellsItsHolderWhenTheTargetGoes)
{
    TComponent owner(nullptr);
    auto* holder = new Linker(&owner);
    auto* target = new TComponent(&owner);
    holder->First.Set(target);
    EXPECT_EQ(holder->First.get(), target);
    delete target;
    EXPECT_EQ(holder->First.get(), nullptr);
    EXPECT_TRUE(holder->FirstCleared);
    // A link moved elsewhere is not cleared by its old target.
    auto* old = new TComponent(&owner);
    auto* next = new TComponent(&owner);
    holder->First.Set(old);
    holder->First.Set(next);
    delete old;
    EXPECT_EQ(holder->First.get(), next);
}

TEST(ComponentLink, AnotherLinkBetweenTheSamePairKeepsBeingToldAfterOneIsDropped)
{
    TComponent owner(nullptr);
    auto* a = new Linker(&owner);
    auto* b = new Linker(&owner);
    a->Partner.Set(b);
    b->Partner.Set(a);
    a->First.Set(b);
    a->Partner.Set(nullptr);
    delete b;
    EXPECT_EQ(a->First.get(), nullptr);
    // And the other way: a holder that goes first leaves no link behind.
    auto* c = new Linker(&owner);
    c->Partner.Set(a);
    a->Partner.Set(c);
    delete a;
    EXPECT_EQ(c->Partner.get(), nullptr);
    delete c;
}
