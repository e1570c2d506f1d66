#pragma once

#include <map>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tvx::trend {

// Which gauges of a live page show a value that is not fresh, so the window can dim them: a
// gauge is stale from the moment its page starts until it is first read, whenever its last
// read failed, and every gauge is once the line is lost. Live data and a replay alike.
class StaleGauges {
public:
    // The page's gauges, every one stale until read.
    void startPage(std::span<const std::string_view> gauges);
    void reading(std::string_view gauge, bool failed);
    void lineLost();

    bool stale(std::string_view gauge) const;
    // Every gauge seen, with its state.
    const std::map<std::string_view, bool>& all() const { return m_stale; }
    // Gauges whose state changed since the last call, with their state now.
    std::vector<std::pair<std::string_view, bool>> takeChanges();

private:
    void set(std::string_view gauge, bool stale);

    std::map<std::string_view, bool> m_stale;
    std::map<std::string_view, bool> m_changed;
};

}  // namespace tvx::trend
