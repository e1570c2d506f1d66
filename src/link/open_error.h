#pragma once

#include <string>

namespace tvx::link {

// Why the last attempt to open a serial port failed.
enum class OpenFailure {
    None,           // it opened, or nothing was tried yet
    Missing,        // no such device
    Permission,     // the device exists but this user may not use it
    Busy,           // another program holds it
    NotSerialPort,  // a file, a console or another device that is no serial line
    Other,          // anything else; the system message says what
};

struct OpenError {
    OpenFailure failure = OpenFailure::None;
    std::string systemMessage;  // the operating system's own words, empty when it had none
};

}  // namespace tvx::link
