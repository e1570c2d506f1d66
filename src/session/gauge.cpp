#include "session/gauge.h"

#include <ostream>

namespace tvx::session {
namespace {

#define TVX_GAUGE_ROW(name) Gauge::name,
constexpr Gauge kGauges[] = {TVX_LIVE_GAUGES(TVX_GAUGE_ROW)};
#undef TVX_GAUGE_ROW

#define TVX_GAUGE_NAME(name) #name,
constexpr std::string_view kNames[] = {TVX_LIVE_GAUGES(TVX_GAUGE_NAME)};
#undef TVX_GAUGE_NAME

static_assert(std::size(kGauges) == std::size(kNames));

}  // namespace

std::span<const Gauge> allGauges() {
    return kGauges;
}

std::string_view gaugeName(Gauge gauge) {
    const auto index = static_cast<std::size_t>(gauge);
    return index < std::size(kNames) ? kNames[index] : std::string_view("?");
}

std::optional<Gauge> gaugeNamed(std::string_view name) {
    for (const Gauge gauge : kGauges) {
        if (kNames[static_cast<std::size_t>(gauge)] == name) {
            return gauge;
        }
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, Gauge gauge) {
    return out << gaugeName(gauge);
}

}  // namespace tvx::session
