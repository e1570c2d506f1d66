#include "doctor/latency_advice.h"

#include <initializer_list>
#include <utility>

#include "plain/bilingual.h"
#include "plain/filled_in.h"

namespace tvx::session {
namespace {

// {ms}: the timer, {port}: the port as given, {tty}: its device name without the folder.
constexpr Bilingual<AdapterSystem> kFixes[] = {
    {AdapterSystem::Linux,
     "The USB serial adapter holds received bytes for {ms} ms (its latency timer) before "
     "passing them on, so every read waits for it and live data is slower. Set it to 1 ms: "
     "the tarvolinex package installs the udev rule /lib/udev/rules.d/60-tarvolinex-latency.rules "
     "for the common adapter chips ({rule}); unplug the adapter and plug it in again. For now: "
     "echo 1 | sudo tee /sys/bus/usb-serial/devices/{tty}/latency_timer",
     "USB seri çevirici gelen baytları iletmeden önce {ms} ms tutuyor (gecikme zamanlayıcısı); "
     "her okuma bunu bekliyor ve canlı veri yavaşlıyor. 1 ms yapın: tarvolinex paketi yaygın "
     "çevirici yongaları için /lib/udev/rules.d/60-tarvolinex-latency.rules udev kuralını kurar "
     "({rule}); çeviriciyi çıkarıp yeniden takın. Şimdilik: "
     "echo 1 | sudo tee /sys/bus/usb-serial/devices/{tty}/latency_timer"},
    {AdapterSystem::Windows,
     "The USB serial adapter holds received bytes for {ms} ms (its latency timer) before "
     "passing them on, so every read waits for it and live data is slower. Set it to 1 ms: "
     "Device Manager > Ports (COM & LPT) > the adapter on {port} > Properties > Port Settings > "
     "Advanced... > Latency Timer (msec): 1 > OK; then unplug the adapter and plug it in again.",
     "USB seri çevirici gelen baytları iletmeden önce {ms} ms tutuyor (gecikme zamanlayıcısı); "
     "her okuma bunu bekliyor ve canlı veri yavaşlıyor. 1 ms yapın: Aygıt Yöneticisi > "
     "Bağlantı Noktaları (COM ve LPT) > {port} üzerindeki çevirici > Özellikler > Bağlantı "
     "Noktası Ayarları > Gelişmiş... > Latency Timer (msec): 1 > Tamam; sonra çeviriciyi çıkarıp "
     "yeniden takın."},
};

// "/dev/ttyUSB0" and "COM1 (/dev/ttyUSB0)" give "ttyUSB0".
std::string ttyName(std::string port) {
    if (const auto open = port.find('('); open != std::string::npos) {
        port = port.substr(open + 1, port.find(')', open) - open - 1);
    }
    return port.substr(port.find_last_of('/') + 1);
}

}  // namespace

const char* const kLatencyUdevRule =
    "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
    "ATTR{latency_timer}=\"1\"";

std::optional<LatencyAdvice> latencyAdvice(std::optional<unsigned> timerMs, const std::string& port,
                                           AdapterSystem system) {
    if (!timerMs || *timerMs <= kLatencyTimerLimitMs) {
        return std::nullopt;
    }
    const auto* fix = findRow(kFixes, system);
    if (!fix) {
        return std::nullopt;
    }
    LatencyAdvice advice{fix->english, fix->turkish};
    const std::pair<const char*, std::string> fills[] = {
        {"{ms}", std::to_string(*timerMs)},
        {"{rule}", kLatencyUdevRule},
        {"{port}", port},
        {"{tty}", ttyName(port)},
    };
    for (std::string* text : {&advice.english, &advice.turkish}) {
        *text = filledIn(*text, fills);
    }
    return advice;
}

}  // namespace tvx::session
