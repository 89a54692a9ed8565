// A stand-in for the transport library, for the wizard's tests and the tab
// renderer: the session binds these entry points instead of libnetbrg2.so.
//
// The fake answers the init call with FakeServer().initStatus and
// initReply, records every request sent and answers it with an empty normal
// reply (status byte 'S'). One fake per process; tests reset it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/transport_binding.h"

namespace morvane::testing {

struct FakeServerState {
  int32_t initStatus = 0;
  std::string initReply = "0000200 fake";  // fifth character '2': the access dialect
  std::vector<std::string> requests;
  int initCalls = 0;
};

FakeServerState& FakeServer();
void ResetFakeServer();
TransportEntryPoints FakeEntryPoints();

}  // namespace morvane::testing
