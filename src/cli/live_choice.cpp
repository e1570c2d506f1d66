#include "cli/live_choice.h"

#include <algorithm>
#include <cctype>

namespace tvx::cli {
namespace {

std::string folded(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool names(const LiveColumn& column, const std::string& name) {
    return folded(column.name) == name || folded(columnHeader(column)) == name;
}

std::string unknownName(std::string_view name, const std::vector<LiveColumn>& all, char language) {
    std::string valid;
    for (const LiveColumn& column : all) {
        valid += (valid.empty() ? "" : ", ") + std::string(column.name);
    }
    if (language == '2') {
        return "bu sayfada \"" + std::string(name) + "\" adlı değer yok; değerleri: " + valid;
    }
    return "this page has no value \"" + std::string(name) + "\"; its values are: " + valid;
}

}  // namespace

ColumnChoice chooseColumns(const session::LivePage& page, std::string_view list, char language) {
    const std::vector<LiveColumn> all = liveColumns(page);
    std::vector<bool> chosen(all.size(), false);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view name = list.substr(start, comma - start);
        const std::string wanted = folded(name);
        bool known = false;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!wanted.empty() && names(all[i], wanted)) {
                chosen[i] = known = true;
            }
        }
        if (!known) {
            return {{}, unknownName(name, all, language)};
        }
        start = comma + 1;
    }
    ColumnChoice choice;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (chosen[i]) {
            choice.columns.push_back(all[i]);
        }
    }
    return choice;
}

std::vector<session::Gauge> gaugesOf(const std::vector<LiveColumn>& columns) {
    std::vector<session::Gauge> gauges;
    for (const LiveColumn& column : columns) {
        gauges.push_back(column.gauge);
    }
    return gauges;
}

}  // namespace tvx::cli
