#pragma once

// The settings and error rules of the Windows serial port, as plain functions of the
// kernel32 records so that they are tested without a port. Windows only.
#include <windows.h>

#include "open_error.h"

namespace tvx::link::windows {

// 9600 baud, 8 data bits, no parity, and off with every setting that loses bytes or holds
// the line with a box that drives no handshake lines: XON/XOFF both ways (0x11 and 0x13 are
// data here), NUL stripping, the error character, CTS and DSR output flow control, DSR
// sensitivity, and the abort-on-error that stops all traffic until ClearCommError. Stop
// bits and the DTR and RTS lines stay as found: some boxes draw their power from them.
void applyLinkSettings(DCB& state);

// Write time-outs that always end: a held line must not block a write for ever.
inline constexpr DWORD kWriteTimeoutPerByteMs = 10;
inline constexpr DWORD kWriteTimeoutConstantMs = 100;

// The time-out record for one single-byte read of up to timeoutMs, built on the port's own
// record. 0 ms returns at once with what is there (all read fields zero would mean "no
// time-out" instead). The interval time-out stays as found unless it is MAXDWORD, which
// would change what the total time-out means.
COMMTIMEOUTS readTimeouts(COMMTIMEOUTS found, unsigned timeoutMs);

// The port's own record with the finite write time-outs above.
COMMTIMEOUTS withFiniteWrites(COMMTIMEOUTS found);

// What a failed ReadFile or WriteFile means, given its error and whether ClearCommError
// still worked: a line error (framing, overrun, a break) that is cleared and passes, or a
// port that is gone (adapter unplugged, driver gone).
enum class LineFailure { Transient, Gone };
LineFailure classifyLineFailure(DWORD error, bool clearCommErrorWorked);

// Why CreateFileA failed. A COM port that another program holds answers "access denied".
OpenFailure openFailureOf(DWORD error);

// The system's message for an error code, without the line end.
std::string systemMessage(DWORD error);

}  // namespace tvx::link::windows
