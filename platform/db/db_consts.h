// Messages of the dataset layer. Each "%s" takes one argument in order
// (see FormatDbMessage); texts are the framework's own and stay English, as the
// callers that show or test them expect.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SFieldTypeMismatch =
    "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SFieldIndexError = "Field index out of range";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SBookmarkNotFound = "Bookmark not found";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SDataSourceChange = "DataSource cannot be changed";
inline constexpr const char* SInvalidIntegerValue =
    "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SInvalidFloatValue =
    "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SInvalidDateValue = "'%s' is not a valid date for field '%s'";
inline constexpr const char* SInvalidTimeValue = "'%s' is not a valid time for field '%s'";
inline constexpr const char* SInvalidDateTimeValue =
    "'%s' is not a valid date and time for field '%s'";
inline constexpr const char* SFieldRangeError =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* SInvalidFieldSize = "Invalid field size";
inline constexpr const char* SLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr const char* SParameterNotFound = "Parameter '%s' not found";
inline constexpr const char* STableNotInEditMode = "Table is not in edit or insert mode";
inline constexpr const char* SNoBlobStream = "Field '%s' has no blob stream";

// The pattern with each "%s" replaced by the next argument; "%%" is a percent
// sign. Missing arguments leave "%s" as it stands.
std::string FormatDbMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace morvane
