#include "engine/zelconst.h"
#include "server/database.h"
#include "server/table.h"
#include "server/update_statements.h"

namespace morvane {

namespace {

// Tables whose records stand for rows of a server table: queried from the
// server, clones of such a table, and empty tables named after one.
bool HoldsServerRows(const TzelTable& table) {
  switch (table.LoadMode()) {
    case lmServer:
      return true;
    case lmClone: {
      const auto* source = dynamic_cast<const TzelTable*>(table.CloneDS());
      return source && source->LoadMode() == lmServer;
    }
    case lmClear:
      return !table.Origin().empty();
    case lmFile:
      break;
  }
  return false;
}

}  // namespace

// Sends the statements and leaves the changes pending: the caller commits
// after success or cancels after a failure.
void TzelTable::InternalApplyUpdates() {
  if (!HoldsServerRows(*this)) return;
  TzelDatabase& session = zelDB();
  if (!session.UpdateToServer(PrepareUpdString(*this, session))) {
    DatabaseError(session.WithServerReason(zelconst::_Z_ERRUPDATESERVER));
  }
}

}  // namespace morvane
