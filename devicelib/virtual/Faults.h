// Fault injection for the virtual spectrometer.
//
// Spec string (VANTREL_VIRTUAL_FAULTS, or parseFaultSpec): rules separated by
// ';', each a kind followed by comma-separated key=value options:
//
//   drop        the request gets no reply at all (the host times out)
//   code        the first reply report carries a wrong reply code
//   countdown   a frame or flash data stream carries a wrong countdown byte
//   write       the output report is not accepted (write returns -1)
//   unplug      the device goes away at this request (write returns -1,
//               open fails, it is not enumerated) and comes back after
//               `for` failed open attempts (for=0: only Hub::replug)
//   status      the reply's status byte is non-zero (`value`, default 1)
//
//   cmd=0x0A    only requests with this command code (decimal or 0x hex)
//   device=N    only device N (default: every device)
//   once=N      fire at the N-th matching request, one time only
//   p=0.05      fire at each matching request with this probability
//   seed=S      seed of the probability's random sequence (default 1)
//   for=N       unplug: failed open attempts before re-plugging (default 1)
//   value=V     status: the status byte (default 1)
//
// Without once= or p= a rule fires once, at the next matching request.
// Examples: "drop,cmd=0x01,once=3"  "code,p=0.02,seed=7;countdown,p=0.01"
//           "unplug,once=40,for=2"
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "virtual/Rng.h"

namespace vantrel::virt {

enum class FaultKind { MissingReply, WrongReplyCode, BrokenCountdown, FailingWrite, Unplug, BadStatus };

struct FaultRule {
    FaultKind kind = FaultKind::MissingReply;
    int device = -1;             // -1: every device
    int command = -1;            // -1: every command the kind applies to
    std::uint64_t once = 0;      // >0: fire at this matching request only
    double probability = 0.0;    // used when once is 0
    std::uint64_t seed = 1;
    int absentOpens = 1;         // unplug: failed opens before it returns; 0 = until replug
    std::uint8_t status = 1;     // status: the byte to report
};

struct FaultSpec {
    std::vector<FaultRule> rules;
    std::string error;  // empty when the whole string parsed
};

// Parses the rule string; rules that do not parse are left out and named in error.
FaultSpec parseFaultSpec(std::string_view text);

// Whether a kind can apply to a request with this command code.
bool faultApplies(FaultKind kind, std::uint8_t command);

// The faults that strike one request.
struct FaultHits {
    bool missingReply = false;
    bool wrongReplyCode = false;
    bool brokenCountdown = false;
    bool failingWrite = false;
    bool unplug = false;
    int absentOpens = 1;
    int status = 0;  // non-zero: replace the reply's status byte
    bool any() const
    {
        return missingReply || wrongReplyCode || brokenCountdown || failingWrite || unplug || status != 0;
    }
};

// The active rules with their counters; thread-safe.
class FaultInjector {
public:
    void add(const FaultRule& rule);
    void clear();
    // Decides the faults of one request of the device.
    FaultHits decide(int device, std::uint8_t command);
    std::uint64_t fired() const;

private:
    struct Active {
        FaultRule rule;
        std::uint64_t matches = 0;
        Rng rng{1};
    };
    mutable std::mutex m_mutex;
    std::vector<Active> m_rules;
    std::uint64_t m_fired = 0;
};

}  // namespace vantrel::virt
