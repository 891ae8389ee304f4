// Running the acquisition session from the command line: the session with
// the CLI's prompt, and bounded waits for its completions so a device that
// never answers ends the command with a message instead of hanging it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "acquisition/Session.h"
#include "cli/CliPrompt.h"

namespace halden::cli {

class CliSession {
public:
    CliSession();

    Session& session() { return *m_session; }
    SpectrumStore& store() { return m_session->store(); }
    CliPrompt& prompt() { return m_prompt; }

    // Detection, then the calibration read with its completion steps.
    // Nothing on success; else the one-line reason, empty when the prompt
    // has already shown it ("Can not find device").
    std::optional<std::string> initialise();

    // One acquisition with the store's settings; false when it did not
    // complete in time or the device failed twice in a row.
    bool acquireOnce(std::string& error);

    // Reads the flash again (operation 20 and its completion).
    bool rereadCalibration(std::string& error);

    // True when the calibration read found a record in flash.
    bool recordPresent() const { return m_recordPresent; }

private:
    CliPrompt m_prompt;
    std::unique_ptr<Session> m_session;
    bool m_recordPresent = false;
};

// Parses a whole decimal integer / number; false for anything else.
bool parseInt(const std::string& text, long& value);
bool parseNumber(const std::string& text, double& value);

}  // namespace halden::cli
