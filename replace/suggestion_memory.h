// What the operator chose before: the pairs of earlier runs of a setting,
// read back from the replacement log (replace/replacement_log.h) and the
// mapping file each run left beside it, so that the suggester can offer
// them first (replace/suggestions.h).
//
// A run belongs to a setting by the name its entry carries: the wizard's
// setting, named after its table and field, and for morvane-data apply the
// table and field themselves, so both remember one field's choices
// together. Only pairs that took effect count: every pair of a run made as
// one whole that went through, and each pair whose own statement went
// through in a run line by line. A cancelled or failed whole run changed
// nothing and teaches nothing. Later runs win over earlier ones. Entries
// whose mapping file is gone or unreadable are passed over. No Qt.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace morvane {

using TRememberedChoices = std::unordered_map<std::string, std::string>;  // current -> new

// From the text of replacements.log.
TRememberedChoices RememberedChoicesIn(std::string_view logText, const std::string& settingName);

// From the log of a folder (replace/replacement_log.h); nothing when there
// is no log yet.
TRememberedChoices RememberedChoices(const std::string& logFolder, const std::string& settingName);

}  // namespace morvane
