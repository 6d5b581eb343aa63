#include "model/Observer.h"

#include <algorithm>

namespace zep::model {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    // Children unlink themselves from this list as they go.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
    if (owner_) {
        auto& siblings = owner_->components_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (c->name_ == name) return c;
    return nullptr;
}

TObserverItem& TObservers::Add() {
    TComponent* owner = subject_->Owner();
    TObserver* observer;
    if (owner) {
        observer = new TObserver(owner);
    } else {
        subject_->ownedObservers_.push_back(std::make_unique<TObserver>(nullptr));
        observer = subject_->ownedObservers_.back().get();
    }
    const std::size_t count = items_.size();
    for (std::size_t n = count; n <= count * 10 + 10; ++n) {
        std::string name = subject_->Name() + "Observer" + std::to_string(n);
        if (!owner || !owner->FindComponent(name)) {
            observer->SetName(std::move(name));
            break;
        }
    }
    observer->SetSubject(subject_);
    return *items_.back();
}

TSubject::TSubject(TComponent* owner) : TComponent(owner), observers_(this) {}

TSubject::~TSubject() {
    Notify(nullptr, nullptr);
    for (auto& item : observers_.items_) {
        TObserver* o = item->observer_;
        o->subject_ = nullptr;
        o->item_ = std::move(item);
    }
    observers_.items_.clear();
}

void TSubject::Notify(TObject* sender, TObject* argument) {
    // An observer may leave (or join) while being told; the snapshot keeps the walk valid.
    std::vector<TObserver*> snapshot;
    snapshot.reserve(observers_.items_.size());
    for (auto& item : observers_.items_)
        snapshot.push_back(item->observer_);
    for (TObserver* o : snapshot) {
        if (o->subject_ != this) continue;
        o->Notify(sender, argument);
    }
}

TObserver::~TObserver() {
    SetSubject(nullptr);
}

void TObserver::Notify(TObject* sender, TObject* argument) {
    if (argument) {
        if (OnObserve) OnObserve(sender, argument);
    } else if (OnSubjectClosing) {
        OnSubjectClosing(sender, argument);
    }
}

void TObserver::SetSubject(TSubject* subject) {
    if (subject == subject_) return;
    if (subject_) {
        auto& items = subject_->observers_.items_;
        for (auto it = items.begin(); it != items.end(); ++it) {
            if ((*it)->observer_ == this) {
                item_ = std::move(*it);
                items.erase(it);
                break;
            }
        }
        subject_ = nullptr;
    }
    if (!subject) return;
    if (!item_) {
        item_ = std::make_unique<TObserverItem>();
        item_->observer_ = this;
    }
    subject->observers_.items_.push_back(std::move(item_));
    subject_ = subject;
}

} // namespace zep::model
