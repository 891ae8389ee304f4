// Running the acquisition session from the command line: the session with
// the CLI's prompt, and bounded waits for its completions so a device that
// never answers ends the command with a message instead of hanging it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Pacer.h"
#include "acquisition/Session.h"
#include "cli/CliPrompt.h"
#include "acquisition/NotingLink.h"

namespace halden::cli {

// How long a device operation may take before the command gives up, unless
// --timeout says otherwise.
inline constexpr int kDefaultTimeoutSeconds = 120;

class CliSession {
public:
    // timeoutSeconds bounds each device operation (an acquisition also gets
    // four times its exposure on top).
    explicit CliSession(int timeoutSeconds = kDefaultTimeoutSeconds);

    Session& session() { return *m_session; }
    SpectrumStore& store() { return m_session->store(); }
    CliPrompt& prompt() { return m_prompt; }

    // Detection, then the calibration read with its completion steps.
    // Nothing on success; else the one-line reason, empty when the prompt
    // has already shown it ("Can not find device").
    std::optional<std::string> initialise();

    // One acquisition with the store's settings. A failed acquisition is
    // retried a few times, each retry told on stderr; false when it did not
    // complete in time or the device kept failing. The error names the set
    // command the spectrometer refused, when one did.
    bool acquireOnce(std::string& error);

    // Reads the flash again (Operation::ReadFlash and its completion).
    bool rereadCalibration(std::string& error);

    // True when the calibration read found a record in flash.
    bool recordPresent() const { return m_recordPresent; }

    // Why the instrument's calibration cannot be relied on or written over:
    // its flash could not be read, or its record has no backup file. Empty
    // when all is well.
    std::string calibrationProblem() const;

private:
    int m_timeoutMs;
    CliPrompt m_prompt;
    NotingLink m_link;  // outlives the session and its worker
    SleepingPacer m_pacer;
    std::unique_ptr<Session> m_session;
    bool m_recordPresent = false;
};

// Removes "--timeout SECONDS" from args into seconds (1..86400). Empty on
// success or when the option is absent, else the reason.
std::string takeTimeoutOption(std::vector<std::string>& args, int& seconds);

// Parses the whole text as a decimal integer / finite decimal number (the
// number parsers of SpectrumInput.h); false for anything else: "", " 5",
// "0x10", "nan", "inf", "1e400", "5ms".
bool parseInt(const std::string& text, long& value);
bool parseNumber(const std::string& text, double& value);

}  // namespace halden::cli
