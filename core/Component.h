#pragma once
// The root of components: an owner destroys the components it owns, in
// reverse order of creation, when it is destroyed itself. Components are
// neither copyable nor movable; they are created with new and handed to their
// owner, which alone deletes them (or the creator deletes an unowned one).
//
// A component that keeps a non-owning link to another asks to be told when
// that one is destroyed (FreeNotification) and clears the link in Notification.
#include <functional>
#include <string>
#include <vector>

class TComponent;

enum class TOperation { opInsert, opRemove };

// An event without arguments besides its sender, bound to an object's method.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

class TComponent {
public:
    explicit TComponent(TComponent* anOwner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent();

    TComponent* Owner() const noexcept { return FOwner; }
    size_t ComponentCount() const noexcept { return FComponents.size(); }
    TComponent* Components(size_t index) const { return FComponents.at(index); }
    // The owned component of that name, or null.
    TComponent* FindComponent(const std::string& aName) const;

    // Asks that aComponent be told, through Notification(this, opRemove), when
    // this component is destroyed. Works both ways: each tells the other.
    void FreeNotification(TComponent* aComponent);
    void RemoveFreeNotification(TComponent* aComponent);

    std::string Name;
    int Tag = 0;

protected:
    // Called when aComponent is inserted into or removed from this owner, and
    // when a component this one asked about is destroyed.
    virtual void Notification(TComponent* aComponent, TOperation anOperation);
    // Destroys the owned components now, newest first; a derived destructor
    // calls this when its components must go before its own members do.
    void DestroyComponents();

private:
    void Insert(TComponent* aComponent);
    void Remove(TComponent* aComponent);
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};
