#include "doctor/port_hint.h"

#include "doctor/printable_text.h"

namespace tvx::session {
namespace {

struct HintRow {
    link::OpenFailure failure;
    const char* english;
    const char* turkish;
};

const HintRow kHints[] = {
    {link::OpenFailure::Missing,
     "The serial port was not found: check that the box's cable or USB adapter is plugged in, "
     "or choose another port.",
     "Seri port bulunamadı: kutunun kablosunun veya USB çeviricisinin takılı olduğunu kontrol "
     "edin ya da başka bir port seçin."},
    {link::OpenFailure::Permission,
     "No permission to use the serial port: add your user to the dialout group "
     "(sudo usermod -aG dialout $USER), then log out and in again.",
     "Seri portu kullanma izniniz yok: kullanıcınızı dialout grubuna ekleyin "
     "(sudo usermod -aG dialout $USER), sonra oturumu kapatıp yeniden açın."},
    {link::OpenFailure::Busy,
     "The serial port is in use by another program: close that program, or choose another "
     "port.",
     "Seri port başka bir program tarafından kullanılıyor: o programı kapatın ya da başka bir "
     "port seçin."},
    {link::OpenFailure::NotSerialPort,
     "This device is not a serial port: choose the port the box is plugged into.",
     "Bu aygıt bir seri port değil: kutunun takılı olduğu portu seçin."},
    {link::OpenFailure::Other, "The serial port could not be opened.", "Seri port açılamadı."},
};

// Who holds the port, or the group to join, when the system said.
std::string detailOf(const link::OpenError& error, char languageCode) {
    const bool turkish = languageCode == '2';
    if (error.failure == link::OpenFailure::Busy && !error.holder.empty()) {
        return (turkish ? " Portu tutan program: " : " It is held by ") +
               printableText(error.holder) + ".";
    }
    if (error.failure == link::OpenFailure::Permission && usableGroup(error.group) &&
        error.group != "dialout") {
        return (turkish ? " Bu aygıtın grubu " : " This device's group is ") +
               printableText(error.group) +
               (turkish ? ": sudo usermod -aG " : ": sudo usermod -aG ") +
               printableText(error.group) + " $USER";
    }
    return {};
}

}  // namespace

bool usableGroup(const std::string& group) {
    // Joining root's group would hand out far more than a serial port.
    return !group.empty() && group != "root" && group != "wheel";
}

std::string portOpenHint(const link::OpenError& error, char languageCode) {
    for (const HintRow& row : kHints) {
        if (row.failure != error.failure) {
            continue;
        }
        std::string hint = languageCode == '2' ? row.turkish : row.english;
        if (!error.systemMessage.empty()) {
            hint += " (" + error.systemMessage + ")";
        }
        return hint + detailOf(error, languageCode);
    }
    return {};
}

}  // namespace tvx::session
