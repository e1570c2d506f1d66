#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>

namespace tvx::session {

// Every gauge of the live-data pages, one row each, by the name the window's gauge control
// carries (several pages share a gauge: the petrol and diesel pages both show `rpmd`).
// Inside the program a gauge, and the live value and the log column it shows, is one of
// these; its name is used only where it meets the outside: the window's controls, the
// workshop record's stored channels.
// clang-format off
#define TVX_LIVE_GAUGES(X) \
    X(rpmd) \
    X(advd) \
    X(mapd) \
    X(atpsd) \
    X(lmdd) \
    X(dtcd) \
    X(vssd) \
    X(ectd) \
    X(iatd) \
    X(Batd) \
    X(hegoupd) \
    X(hegodownd) \
    X(Barod) \
    X(loadd) \
    X(vvtind) \
    X(vvtoutd) \
    X(frpd) \
    X(batd) \
    X(app1d) \
    X(app2d) \
    X(app3d) \
    X(chdd) \
    X(ftsd) \
    X(betd) \
    X(cppd) \
    X(bppd) \
    X(klimad) \
    X(egrpd) \
    X(egrdd) \
    X(mfdd) \
    X(VSSd) \
    X(appd) \
    X(mafd) \
    X(torkd) \
    X(kmd) \
    X(flid)
// clang-format on

enum class Gauge : std::uint8_t {
#define TVX_GAUGE_ENUMERATOR(name) name,
    TVX_LIVE_GAUGES(TVX_GAUGE_ENUMERATOR)
#undef TVX_GAUGE_ENUMERATOR
};

// Every gauge, in the order above.
std::span<const Gauge> allGauges();
// The gauge control's name ("rpmd").
std::string_view gaugeName(Gauge gauge);
// The gauge of that control name, exactly as written; nullopt for any other text.
std::optional<Gauge> gaugeNamed(std::string_view name);

// Its name, for test messages and logs.
std::ostream& operator<<(std::ostream& out, Gauge gauge);

}  // namespace tvx::session
