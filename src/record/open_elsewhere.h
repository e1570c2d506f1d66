#pragma once

#include <filesystem>

namespace tvx::record {

// Whether another program has the record's file open (it may be writing it): then a file
// that answers as damaged is left where it is. One file per platform implements it.
bool openElsewhere(const std::filesystem::path& path);

}  // namespace tvx::record
