// TComponent: the base of everything that takes part in ownership and
// destruction notices (datasets, fields, data sources, and above this layer
// grids and editors).
//
// Ownership: a component created with an owner (`new TIntegerField(dataSet)`,
// or `owner->InsertComponent(std::move(child))`) is owned by it: the owner
// keeps it in a list of std::unique_ptr and deletes it when the owner itself
// is destroyed. A component deleted earlier removes itself from its owner's
// list first, so either side may go first. Components without an owner live
// wherever their creator keeps them (on the stack, in a unique_ptr).
//
// Destruction notices: `a->FreeNotification(b)` promises b a call
// `b->Notification(a, opRemove)` when a is destroyed; the registration is
// mutual, so a b destroyed first drops out of a's list. The owner of a
// component that is destroyed is told too, and passes the notice on to every
// component it owns. A receiver must only compare the pointer it gets: the
// component is already being destroyed.
//
// Destructors of derived classes run before ~TComponent: a class whose
// owned components need the derived parts while they die calls
// DestroyComponents() in its own destructor.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db_types.h"

namespace morvane {

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateItem : uint8_t { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name) { name_ = name; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int index) const { return components_.at(size_t(index)).get(); }
  // Takes ownership; the component leaves its previous owner first.
  TComponent* InsertComponent(std::unique_ptr<TComponent> component);
  // Gives ownership back to the caller; null when not owned here.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
  TComponent* FindComponent(const std::string& name) const;

  // Registers `receiver` for this component's destruction notice (mutual).
  void FreeNotification(TComponent* receiver);
  void RemoveFreeNotification(TComponent* receiver);

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.Contains(csLoading); }
  bool IsDestroying() const { return state_.Contains(csDestroying); }
  // Marks the component (and what it owns) as being destroyed; handlers then
  // skip work that would touch dying parts.
  void Destroying();
  // Loading from a stored description: csLoading and csReading are set
  // while properties are read; EndReading clears csReading, EndLoading
  // clears both and calls Loaded().
  bool IsReading() const { return state_.Contains(csReading); }
  void BeginLoading() {
    state_.Include(csLoading);
    state_.Include(csReading);
  }
  void EndReading() { state_.Exclude(csReading); }
  void EndLoading();

 protected:
  // Called when a component this one registered with, or one it owns, is
  // destroyed (opRemove) or inserted (opInsert). The base passes the notice
  // on to the owned components.
  virtual void Notification(TComponent* component, TOperation operation);
  // After loading ends.
  virtual void Loaded() {}
  // Deletes every owned component, last first.
  void DestroyComponents();

 private:
  void NotifyRemoval();

  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::vector<TComponent*> freeNotifies_;
  TComponentState state_;
};

}  // namespace morvane

namespace morvane {

// Raises EDatabaseError naming the component ("Table1: message"); a null
// component or one without a name gives the bare message.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component);
[[noreturn]] void DatabaseErrorFmt(const char* pattern,
                                   std::initializer_list<std::string_view> args,
                                   const TComponent* component);

// Ends the current action silently (EAbort).
[[noreturn]] void Abort();

}  // namespace morvane
