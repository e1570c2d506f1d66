#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "session/view_call.h"

namespace tvx::session {

// Passes every view call on to the view it wraps and, when a log file is open, writes it
// there as one flushed line, so that support (or a script driving the program from outside)
// can follow what the operator saw:
//   <milliseconds> line 1 "  SELECT THE CAR TYPE   "
//   <milliseconds> enabled OK 1
//   <milliseconds> frame Frame31
// Texts are written as given (UTF-8) between double quotes; they never hold a line end.
class ViewLog final : public CallView {
public:
    ViewLog(SessionView& inner, const link::Clock& clock) : m_inner(inner), m_clock(clock) {}

    // Starts writing to PATH (replacing it); false when it cannot be opened.
    bool open(const std::string& path);

private:
    void call(ViewCall c) override;
    void write(std::string_view verb, std::string_view name, std::string_view value);

    SessionView& m_inner;
    const link::Clock& m_clock;
    std::mutex m_mutex;
    std::ofstream m_out;
};

}  // namespace tvx::session
