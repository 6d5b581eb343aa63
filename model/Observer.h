// Subjects and observers: how lists announce additions, removals and changes to views.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "undo/Object.h"

namespace zep::model {

using undo::TObject;

/// A named object that may own other components (freed with it); names are unique among the
/// components of one owner.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    /// The owned component with this name, or nullptr ("" finds nothing).
    TComponent* FindComponent(const std::string& name) const;
    std::size_t ComponentCount() const { return components_.size(); }

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_; // owned
};

class TObserver;
class TSubject;

/// One entry of a subject's collection, naming one observer.
class TObserverItem {
public:
    TObserver* Observer() const { return observer_; }

private:
    friend class TObservers;
    friend class TObserver;
    friend class TSubject;
    TObserver* observer_ = nullptr;
};

/// The collection of a subject's observer items, in notification order.
class TObservers {
public:
    explicit TObservers(TSubject* subject) : subject_(subject) {}
    std::size_t Count() const { return items_.size(); }
    TObserverItem& Item(std::size_t i) { return *items_[i]; }
    /// Creates an item with a new observer, owned by the subject's owner (or by the subject when
    /// it has none), named after the subject's name, "Observer" and a free number.
    TObserverItem& Add();

private:
    friend class TSubject;
    friend class TObserver;
    TSubject* subject_;
    std::vector<std::unique_ptr<TObserverItem>> items_;
};

/// Announces changes to its observers. On destruction it notifies once with an empty sender and
/// argument, then lets every observer go.
class TSubject : public TComponent {
public:
    explicit TSubject(TComponent* owner = nullptr);
    ~TSubject() override;
    /// Calls every observer in collection order with (sender, argument).
    virtual void Notify(TObject* sender, TObject* argument);
    /// Notify(this, this).
    virtual void Changed() { Notify(this, this); }
    /// Notify(this, argument).
    virtual void ChangedWith(TObject* argument) { Notify(this, argument); }
    TObservers& Observers() { return observers_; }

private:
    friend class TObserver;
    friend class TObservers;
    TObservers observers_;
    std::vector<std::unique_ptr<TObserver>> ownedObservers_;
};

/// Receives a subject's notifications: a non-empty argument goes to OnObserve, an empty one to
/// OnSubjectClosing. An observer belongs to at most one subject.
class TObserver : public TComponent {
public:
    explicit TObserver(TComponent* owner = nullptr) : TComponent(owner) {}
    /// Leaves its subject.
    ~TObserver() override;
    virtual void Notify(TObject* sender, TObject* argument);
    /// Moves this observer's item into `subject`'s collection (nullptr: leaves).
    virtual void SetSubject(TSubject* subject);
    virtual TSubject* GetSubject() const { return subject_; }

    std::function<void(TObject* sender, TObject* argument)> OnObserve;
    std::function<void(TObject* sender, TObject* argument)> OnSubjectClosing;

private:
    friend class TSubject;
    friend class TObservers;
    TSubject* subject_ = nullptr;
    std::unique_ptr<TObserverItem> item_; // while in no collection
};

} // namespace zep::model
