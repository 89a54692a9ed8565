// TNotificationBridge: lets a widget receive the destruction notices of
// components (datasets, data sources, fields) without being a component
// itself. The widget owns one bridge, registers it with every component it
// refers to (Listen), and the bridge calls the widget's handler with
// (component, opRemove) while that component is being destroyed. The handler
// must only compare the pointer: the component is already dying.
//
// Destroying the bridge (with its widget) unregisters it from everything it
// listened to, so a component outliving the widget never calls back into it.
#pragma once

#include <functional>

#include "platform/db/component.h"

namespace morvane {

class TNotificationBridge : public TComponent {
 public:
  using THandler = std::function<void(TComponent* component, TOperation operation)>;

  explicit TNotificationBridge(THandler handler) : handler_(std::move(handler)) {}
  ~TNotificationBridge() override { handler_ = nullptr; }

  void Listen(TComponent* component) {
    if (component != nullptr) component->FreeNotification(this);
  }
  void Forget(TComponent* component) {
    if (component != nullptr) component->RemoveFreeNotification(this);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (handler_) handler_(component, operation);
  }

 private:
  THandler handler_;
};

}  // namespace morvane
