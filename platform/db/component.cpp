#include "platform/db/component.h"

#include <algorithm>

#include "platform/db/db_consts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"

namespace morvane {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(std::unique_ptr<TComponent>(this));
}

TComponent::~TComponent() {
  Destroying();
  NotifyRemoval();
  DestroyComponents();
  if (owner_ != nullptr) {
    // The owner's unique_ptr must not delete us a second time.
    std::unique_ptr<TComponent> self = owner_->RemoveComponent(this);
    (void)self.release();
  }
}

void TComponent::NotifyRemoval() {
  // Take the list first: receivers may unregister others while handling.
  std::vector<TComponent*> receivers;
  receivers.swap(freeNotifies_);
  for (TComponent* receiver : receivers) {
    auto& theirs = receiver->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
  }
  for (TComponent* receiver : receivers) receiver->Notification(this, opRemove);
}

TComponent* TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  TComponent* raw = component.get();
  if (raw == nullptr) return nullptr;
  if (raw->owner_ == this) {
    (void)component.release();  // already ours
    return raw;
  }
  if (raw->owner_ != nullptr) (void)raw->owner_->RemoveComponent(raw).release();
  raw->owner_ = this;
  components_.push_back(std::move(component));
  Notification(raw, opInsert);
  return raw;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  auto found = std::find_if(components_.begin(), components_.end(),
                            [component](const auto& owned) { return owned.get() == component; });
  if (found == components_.end()) return nullptr;
  std::unique_ptr<TComponent> result = std::move(*found);
  components_.erase(found);
  result->owner_ = nullptr;
  Notification(component, opRemove);
  return result;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& owned : components_) {
    if (AnsiSameText(owned->name_, name)) return owned.get();
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* receiver) {
  if (receiver == nullptr || receiver == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), receiver) == freeNotifies_.end())
    freeNotifies_.push_back(receiver);
  auto& theirs = receiver->freeNotifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* receiver) {
  if (receiver == nullptr) return;
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), receiver),
                      freeNotifies_.end());
  auto& theirs = receiver->freeNotifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (const auto& owned : components_) owned->Destroying();
}

void TComponent::EndLoading() {
  if (!state_.Contains(csLoading)) return;
  state_.Exclude(csLoading);
  state_.Exclude(csReading);
  Loaded();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Index loop: a handler may delete owned components while we pass on.
  for (size_t i = components_.size(); i-- > 0;) {
    if (i >= components_.size()) continue;
    TComponent* owned = components_[i].get();
    if (owned != component) owned->Notification(component, operation);
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    // Deleting the child removes it from components_ (see ~TComponent).
    TComponent* last = components_.back().get();
    delete last;
  }
}

void DatabaseError(const std::string& message, const TComponent* component) {
  DatabaseError(message, component != nullptr ? component->Name() : std::string());
}

void DatabaseErrorFmt(const char* pattern, std::initializer_list<std::string_view> args,
                      const TComponent* component) {
  DatabaseError(FormatDbMessage(pattern, args), component);
}

void Abort() {
  throw EAbort();
}

}  // namespace morvane
