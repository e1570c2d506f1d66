#pragma once

#include "record/report.h"
#include "record/report_texts.h"

namespace tvx::record {

// The report's words for how a code stands against the previous visit ("new", "gone"): the
// same in the HTML and the JSON (which uses the English words).
ReportText sinceWords(CodeSince since);

}  // namespace tvx::record
