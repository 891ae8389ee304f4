// The protocol calls behind each recorded report stream, and the results
// they decode, named so a stream file can list what it should give:
//   identify   open, get status, get frame format, get acquisition parameters
//   configure  set exposure, acquisition parameters, frame format, both
//              triggers off, clear memory
//   frame      trigger, get status, read frame 0 (its format read first)
//   flash      read 6100 bytes of flash from address 0 (two requests)
// A scenario stops at the first call that does not give 0 and names it
// ("failed", then "result" with its code); otherwise "result" is 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/Transactions.h"
#include "support/ReportStream.h"

namespace vantrel::test {

struct ProtocolScenario {
    std::string name;
    Outcome (*run)(protocol::HandleRecord& record);
};

const std::vector<ProtocolScenario>& protocolScenarios();
// Null when no scenario has the name.
const ProtocolScenario* findProtocolScenario(const std::string& name);

// 64-bit FNV-1a of the bytes, as 16 hex digits.
std::string fnv1a64(const std::uint8_t* bytes, std::size_t count);
// Of pixels as little-endian 16-bit values.
std::string pixelChecksum(const std::uint16_t* pixels, std::size_t count);

inline constexpr std::uint32_t kScenarioFlashBytes = 6100;

}  // namespace vantrel::test
