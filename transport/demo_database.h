// The demo database of an installed program, made on its first start.
//
// An installed program that no setting points anywhere uses an SQLite file
// in the user's data folder (transport/config.h). When that file is missing,
// the init creates it from schema.sql and data.sql of the program's shared
// data folder, the same scripts scripts/demo_db/make_demo_db.sh loads, and
// says so in its reply text (kDemoDatabaseCreated and the path, on a line of
// its own after the "OK: " line).
//
// The file appears whole or not at all: it is built under a temporary name
// beside its place, in one transaction, and linked into place only when
// complete. When another process put a file there meanwhile, that file is
// kept and used. Any failure raises OpenFailure (status -2) saying why and
// leaves nothing behind but the folders made on the way.
#pragma once

#include <string>

namespace morvane::transport {

inline constexpr char kDemoDatabaseCreated[] = "Создана демонстрационная база данных: ";

// Creates the SQLite file at path from the scripts in dataFolder unless a
// file is there already; true when it created it.
bool CreateDemoDatabaseIfMissing(const std::string& path, const std::string& dataFolder);

}  // namespace morvane::transport
