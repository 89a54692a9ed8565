// A stand-in for the transport library, for the wizard's tests and the tab
// renderer: the session binds these entry points instead of libnetbrg2.so.
//
// The fake answers the init call with FakeServer().initStatus and
// initReply, records every request sent and answers each with sendReply
// (by default a normal reply with the two text columns "src" and "inf" and
// no records). One fake per process; tests reset it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "server/transport_binding.h"

namespace morvane::testing {

// A data buffer of a normal reply with the given text columns and no records.
std::string EmptyResult(std::initializer_list<std::string> columns);

struct FakeServerState {
  int32_t initStatus = 0;
  std::string initReply = "0000200 fake";               // fifth character '2': the access dialect
  std::string sendReply = EmptyResult({"src", "inf"});  // a data buffer
  std::vector<std::string> requests;
  int initCalls = 0;
};

FakeServerState& FakeServer();
void ResetFakeServer();
TransportEntryPoints FakeEntryPoints();

}  // namespace morvane::testing
