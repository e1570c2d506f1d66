#pragma once

#include <string>
#include <utility>

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
    OpenError() = default;
    OpenError(OpenFailure why, std::string message, std::string heldBy = {},
              std::string groupName = {})
        : failure(why),
          systemMessage(std::move(message)),
          holder(std::move(heldBy)),
          group(std::move(groupName)) {}

    OpenFailure failure = OpenFailure::None;
    std::string systemMessage;  // the operating system's own words, empty when it had none
    // Busy: the program that holds the device, as the system tells it ("picocom (pid 4711)");
    // empty when the system does not say.
    std::string holder;
    // Permission: the group whose members may use the device ("dialout"); empty when unknown.
    std::string group;
};

}  // namespace tvx::link
