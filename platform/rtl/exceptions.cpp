#include "platform/rtl/exceptions.h"

namespace morvane {

EFCreateError::EFCreateError(const std::string& fileName)
    : Exception("Cannot create file " + fileName) {}

EFOpenError::EFOpenError(const std::string& fileName) : Exception("Cannot open file " + fileName) {}

void DatabaseError(const std::string& message, const std::string& componentName) {
  if (componentName.empty()) throw EDatabaseError(message);
  throw EDatabaseError(componentName + ": " + message);
}

}  // namespace morvane
