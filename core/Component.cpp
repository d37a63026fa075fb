#include "core/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* anOwner)
{
    if (anOwner)
        anOwner->Insert(this);
}

TComponent::~TComponent()
{
    // Tell everyone who keeps a link to this component before it goes.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->ClearLinksTo(this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->Remove(this);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        delete last;
    }
}

TComponent* TComponent::FindComponent(const std::string& aName) const
{
    for (TComponent* c : FComponents)
        if (c->Name == aName)
            return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* aComponent)
{
    if (!aComponent || aComponent == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), aComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(aComponent);
    if (std::find(aComponent->FFreeNotifies.begin(), aComponent->FFreeNotifies.end(), this) ==
        aComponent->FFreeNotifies.end())
        aComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* aComponent)
{
    if (!aComponent)
        return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), aComponent), FFreeNotifies.end());
    auto& back = aComponent->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::ClearLinksTo(TComponent* aComponent)
{
    // A cleared-callback may change links: look again after each.
    for (bool again = true; again;) {
        again = false;
        for (TLinkBase* link : FLinks)
            if (link->FTarget == aComponent) {
                link->Clear();
                again = true;
                break;
            }
    }
}

bool TComponent::Linked(const TComponent* a, const TComponent* b)
{
    for (const TLinkBase* link : a->FLinks)
        if (link->FTarget == b)
            return true;
    for (const TLinkBase* link : b->FLinks)
        if (link->FTarget == a)
            return true;
    return false;
}

TLinkBase::TLinkBase(TComponent& aHolder, std::function<void()> aCleared)
    : FHolder(aHolder), FCleared(std::move(aCleared))
{
    FHolder.FLinks.push_back(this);
}

TLinkBase::~TLinkBase()
{
    auto& links = FHolder.FLinks;
    // A link is a member of its holder and goes with it; the holder's own
    // destruction tells the target.
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void TLinkBase::Assign(TComponent* aTarget)
{
    TComponent* old = FTarget;
    if (old == aTarget)
        return;
    FTarget = aTarget;
    // Notifications go both ways: keep them while another link between the
    // two (of either) needs them.
    if (old && !TComponent::Linked(&FHolder, old))
        FHolder.RemoveFreeNotification(old);
    if (aTarget)
        FHolder.FreeNotification(aTarget);
}

void TLinkBase::Clear()
{
    FTarget = nullptr;
    if (FCleared)
        FCleared();
}

void TComponent::Notification(TComponent*, TOperation)
{
}

void TComponent::Insert(TComponent* aComponent)
{
    FComponents.push_back(aComponent);
    aComponent->FOwner = this;
    Notification(aComponent, TOperation::opInsert);
}

void TComponent::Remove(TComponent* aComponent)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), aComponent), FComponents.end());
    aComponent->FOwner = nullptr;
    Notification(aComponent, TOperation::opRemove);
}
