#include "keeper/report_catalogue.h"

#include <map>
#include <memory>

#include "datadir/catalogue.h"

namespace tvx::session {

record::DescribeCode catalogueDescriber(const std::filesystem::path& dataDirectory) {
    // Shared by the copies of the function; none when a catalogue cannot be opened.
    auto open = std::make_shared<std::map<record::ReportLanguage, std::optional<Catalogue>>>();
    return [dataDirectory, open](std::string_view codeText,
                                 record::ReportLanguage language) -> std::optional<std::string> {
        auto found = open->find(language);
        if (found == open->end()) {
            const char code = language == record::ReportLanguage::Turkish ? '2' : '1';
            found =
                open->emplace(language, Catalogue::open(cataloguePath(dataDirectory, code))).first;
        }
        return found->second ? found->second->find(codeText) : std::nullopt;
    };
}

}  // namespace tvx::session
