// Installs a statement handler on the session for the requests sent while
// the scope lives, and removes it after (replace/replacement_run.h,
// replace/one_pass.h). Installs nothing for an empty handler or a transport
// that cannot report statements; Installed() tells which.
#pragma once

#include <utility>

#include "server/database.h"

namespace morvane {

class StatementProgressScope {
 public:
  explicit StatementProgressScope(TzelDatabase::StatementProgress handler)
      : installed_(handler && zelDB().SetStatementProgress(std::move(handler))) {}
  ~StatementProgressScope() {
    if (installed_) zelDB().SetStatementProgress({});
  }
  StatementProgressScope(const StatementProgressScope&) = delete;
  StatementProgressScope& operator=(const StatementProgressScope&) = delete;

  bool Installed() const { return installed_; }

 private:
  bool installed_;
};

}  // namespace morvane
