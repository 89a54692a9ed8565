#include "engine/session_registry.h"

namespace morvane {
namespace {
TzelSessionRegistry* installedRegistry = nullptr;
}  // namespace

TzelSessionRegistry* SessionRegistry() {
  return installedRegistry;
}
void SetSessionRegistry(TzelSessionRegistry* registry) {
  installedRegistry = registry;
}

namespace session_registry {
void Add(TzelDataset* dataSet) {
  if (installedRegistry) installedRegistry->Add(dataSet);
}
void Delete(TzelDataset* dataSet) {
  if (installedRegistry) installedRegistry->Delete(dataSet);
}
void AddUpdated(TzelDataset* dataSet) {
  if (installedRegistry) installedRegistry->AddUpdated(dataSet);
}
void DeleteUpdated(TzelDataset* dataSet) {
  if (installedRegistry) installedRegistry->DeleteUpdated(dataSet);
}
}  // namespace session_registry

}  // namespace morvane
