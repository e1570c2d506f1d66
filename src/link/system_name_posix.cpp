#include <sys/utsname.h>

#include "system_name.h"

namespace tvx::link {

std::string operatingSystemName() {
    utsname name{};
    if (::uname(&name) != 0) {
        return "POSIX";
    }
    // The node name is the computer's: left out.
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
}

}  // namespace tvx::link
