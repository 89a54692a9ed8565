// Messages the data grid raises or asks with. Texts are UTF-8 and belong to
// the controls' message table (the same names and texts the editors use).
#pragma once

namespace morvane::zeldbconst {

inline constexpr const char* _Z_DELETEROWS = "Удалить выбранные записи?";
inline constexpr const char* _Z_DELETEONEROW = "Удалить запись?";
inline constexpr const char* _Z_LOOKUPSOURCEERROR =
    "Lookup Dataset не должен совпадать с Source DataSet";

}  // namespace morvane::zeldbconst
