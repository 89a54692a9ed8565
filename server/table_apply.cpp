#include "engine/zelconst.h"
#include "server/table.h"

namespace morvane {

// Sending a table's pending changes to the server needs the UPDATE, INSERT
// and DELETE statements built from them, which this unit does not write yet.
// Until it does, applying fails and the changes stay pending: a table must
// never report as sent what did not reach the server.
void TzelTable::InternalApplyUpdates() {
  DatabaseError(zelconst::_Z_ERRUPDATESERVER);
}

}  // namespace morvane
