#pragma once
// The root of components: an owner destroys the components it owns, in
// reverse order of creation, when it is destroyed itself. Components are
// neither copyable nor movable; they are created with new and handed to their
// owner, which alone deletes them (or the creator deletes an unowned one).
//
// A component that keeps a non-owning link to another holds it in a
// TComponentLink, which asks to be told when that one is destroyed and clears
// itself then.
#include <functional>
#include <string>
#include <vector>

class TComponent;
class TLinkBase;

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
    friend class TLinkBase;
    void Insert(TComponent* aComponent);
    void Remove(TComponent* aComponent);
    // Clears the links of this component that point to aComponent.
    void ClearLinksTo(TComponent* aComponent);
    // Whether a link of either component points to the other.
    static bool Linked(const TComponent* a, const TComponent* b);
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::vector<TLinkBase*> FLinks;
};

// The untyped part of TComponentLink.
class TLinkBase {
public:
    TLinkBase(const TLinkBase&) = delete;
    TLinkBase& operator=(const TLinkBase&) = delete;

protected:
    TLinkBase(TComponent& aHolder, std::function<void()> aCleared);
    ~TLinkBase();
    TComponent* Target() const noexcept { return FTarget; }
    // Points the link at aTarget: the old target is no longer asked about
    // (unless another link between the two remains), the new one is.
    void Assign(TComponent* aTarget);

private:
    friend class TComponent;
    // The target is being destroyed.
    void Clear();
    TComponent& FHolder;
    TComponent* FTarget = nullptr;
    std::function<void()> FCleared;
};

// A non-owning link from a component (the holder, of which the link is a
// member) to another, null once that one is destroyed. aCleared, if given,
// runs when the link is cleared that way, after the pointer is null.
template <class T>
class TComponentLink : public TLinkBase {
public:
    explicit TComponentLink(TComponent& aHolder, std::function<void()> aCleared = nullptr)
        : TLinkBase(aHolder, std::move(aCleared))
    {
    }
    T* get() const noexcept { return static_cast<T*>(Target()); }
    operator T*() const noexcept { return get(); }
    T* operator->() const noexcept { return get(); }
    void Set(T* aTarget) { Assign(aTarget); }
    // Sets this link as one of a pair whose other half the target holds
    // (read with aBack, written with aSetBack(target, holder or null)): the
    // old target drops its half if it pointed at aHolder, the new one takes it.
    template <class H, class Back, class SetBack>
    void SetPaired(T* aTarget, H* aHolder, Back aBack, SetBack aSetBack)
    {
        T* old = get();
        if (old == aTarget)
            return;
        Set(aTarget);
        if (old && std::invoke(aBack, old) == aHolder)
            std::invoke(aSetBack, old, nullptr);
        if (aTarget)
            std::invoke(aSetBack, aTarget, aHolder);
    }
};
