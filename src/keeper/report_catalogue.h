#pragma once

#include <filesystem>

#include "record/report.h"

namespace tvx::session {

// A report's code descriptions from the data directory's catalogue of the report's language,
// looked up when the report is made. Each catalogue is opened once, on first use.
record::DescribeCode catalogueDescriber(const std::filesystem::path& dataDirectory);

}  // namespace tvx::session
