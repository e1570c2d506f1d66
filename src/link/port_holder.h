#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvx::link {

// Which program holds a serial device, as the system tells it: the lock in /proc/locks, a
// lock file "LCK..ttyUSB0" of /var/lock or /run/lock with its process id, or (when neither
// says) another program that has the device open. "picocom (pid 4711)", or "" when the
// system does not tell. POSIX only.
std::string deviceHolder(const std::string& device);

// The process holding a lock on the file with this device number and inode, from the text
// of /proc/locks ("1: FLOCK  ADVISORY  WRITE 4711 00:19:5 0 EOF"); waiters ("->") do not
// count.
std::optional<int> lockHolderPid(std::string_view procLocks, unsigned major, unsigned minor,
                                 unsigned long inode);

// The process id a lock file holds: ten ASCII digits (blank-padded) or a binary int.
std::optional<int> lockFilePid(std::string_view contents);

// The group whose members may use the device ("dialout"), "" when unknown. POSIX only.
std::string deviceGroup(const std::string& device);

}  // namespace tvx::link
