// The one error type inside the transport. It ends the current request; the
// request handler turns it into an error reply. connectionLost marks errors
// after which the back end cannot be used until the next init.
#pragma once

#include <stdexcept>
#include <string>

namespace morvane::transport {

class TransportError : public std::runtime_error {
 public:
  explicit TransportError(const std::string& message, bool connectionLost = false)
      : std::runtime_error(message), connectionLost_(connectionLost) {}
  bool ConnectionLost() const { return connectionLost_; }

 private:
  bool connectionLost_;
};

}  // namespace morvane::transport
