#pragma once

#include <cstdint>

namespace tvx::link {

// The bytes of the box's protocol that the tester sends and reads and the simulated box
// answers: one definition, so that the two sides cannot drift apart.

// The presence test: the box answers with the same byte.
constexpr std::uint8_t kPresenceByte = 1;
// The module probe: 40..44 ask modules 1..5 for their protocol.
constexpr std::uint8_t kFirstModuleProbeByte = 40;
constexpr int kProbedModules = 5;
// The engine controller's address (the third header byte of its replies); a form-B reply of
// trouble codes from it carries three codes.
constexpr std::uint8_t kEngineControllerAddress = 0x10;

// The first byte of a module's answer (reply byte 4): a positive answer is the request's
// service plus 0x40; a refusal is 0x7F, then the service and the reason.
enum AnswerByte : std::uint8_t {
    kPositiveRead = 0x53,  // trouble codes read
    kPositiveClear = 0x54,
    kPositiveParameterReply = 0x62,
    kNegativeResponse = 0x7F,
};

}  // namespace tvx::link
