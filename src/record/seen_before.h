#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/record.h"
#include "record/report_texts.h"

namespace tvx::record {

// When and where a vehicle was seen before, and what was found and done: one line a visit,
// newest first, of the visits of `vin` that began before `before` (ms), at this PC or at the
// workshop's other bays. Empty when it was never seen. Throws DbError as the record does.
std::vector<std::string> seenBefore(Record& record, const std::string& vin, std::int64_t before,
                                    ReportLanguage language, int limit = 3);

// "bay-2 (12.03.2026 14:05)": where and when a programming run's visit was, when it was at
// another bay; "" when it was at this PC or is not in the record.
std::string otherBayOf(Record& record, std::int64_t visit);

}  // namespace tvx::record
