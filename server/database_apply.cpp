// The session's ApplyUpdates and CancelUpdates: the pending changes of
// several datasets sent as one request, then settled together.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "engine/dataset.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"
#include "server/table.h"
#include "server/update_statements.h"

namespace morvane {

namespace {

// Commits or cancels each dataset in the given order. Every dataset is
// settled even when one of them fails, so that none keeps changes the
// server already has (or lost); the first failure is raised afterwards.
void Settle(const std::vector<TzelDataset*>& dataSets, bool commit) {
  std::exception_ptr firstError;
  for (TzelDataset* dataSet : dataSets) {
    try {
      if (commit) {
        dataSet->CommitUpdates();
      } else {
        dataSet->CancelUpdates();
      }
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
}

}  // namespace

void TzelDatabase::ApplyUpdates(const std::vector<TzelDataset*>& dataSets) {
  if (updated_.empty()) return;
  const bool wholeRegistry = dataSets.empty();
  // A copy: every commit or cancel takes its dataset out of the registry.
  std::vector<TzelDataset*> targets = wholeRegistry ? updated_ : dataSets;
  bool accepted = true;
  {
    SqlWaitCursor waitCursor;
    std::string text;
    // A clone shares its source's record store; the store's changes are
    // written once, by the first dataset that has statements for them.
    std::vector<const TzelCursor*> writtenStores;
    for (TzelDataset* dataSet : targets) {
      if (dsEditModes.Contains(dataSet->State())) dataSet->Post();
      // Only query tables know their server table; other datasets have no
      // statements and are settled with the rest.
      const auto* table = dynamic_cast<const TzelTable*>(dataSet);
      if (!table) continue;
      const TzelCursor* store = table->Cursor();
      if (std::find(writtenStores.begin(), writtenStores.end(), store) != writtenStores.end()) {
        continue;
      }
      const std::string statements = PrepareUpdString(*table, *this);
      if (statements.empty()) continue;
      writtenStores.push_back(store);
      text += statements;
    }
    if (!text.empty()) accepted = UpdateToServer(text);
    if (wholeRegistry) std::reverse(targets.begin(), targets.end());
    try {
      Settle(targets, accepted);
    } catch (...) {
      // The server's refusal is what the user must hear about.
      if (accepted) throw;
    }
  }
  if (!accepted) DatabaseError(WithServerReason(zelconst::_Z_ERRUPDATESERVER));
}

void TzelDatabase::CancelUpdates(const std::vector<TzelDataset*>& dataSets) {
  std::vector<TzelDataset*> targets = dataSets.empty() ? updated_ : dataSets;
  std::reverse(targets.begin(), targets.end());
  Settle(targets, false);
}

}  // namespace morvane
