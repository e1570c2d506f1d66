#include "record/code_since.h"

namespace tvx::record {

ReportText sinceWords(CodeSince since) {
    switch (since) {
        case CodeSince::New:
            return ReportText::New;
        case CodeSince::StillPresent:
            return ReportText::StillPresent;
        case CodeSince::Gone:
            return ReportText::Gone;
        case CodeSince::NoComparison:
            break;
    }
    return ReportText::FirstVisit;
}

}  // namespace tvx::record
