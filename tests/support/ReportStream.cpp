#include "support/ReportStream.h"

#include <fstream>
#include <sstream>

namespace vantrel::test {

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string formatReportStream(const ReportStream& stream)
{
    std::string out;
    for (const std::string& c : stream.comments) out += c.empty() ? "#\n" : "# " + c + "\n";
    out += "scenario " + stream.scenario + "\n";
    for (const auto& [key, value] : stream.expected) out += "= " + key + " " + value + "\n";
    for (const StreamReport& r : stream.reports) out += (r.output ? "> " : "< ") + hexBytes(r.bytes) + "\n";
    return out;
}

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        if (token.size() != 2 || hexDigit(token[0]) < 0 || hexDigit(token[1]) < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(hexDigit(token[0]) * 16 + hexDigit(token[1])));
    }
    return true;
}

}  // namespace

bool parseReportStream(const std::string& text, ReportStream& stream, std::string& error)
{
    stream = {};
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        if (line.empty()) continue;
        if (line[0] == '#') {
            stream.comments.push_back(line.size() > 2 ? line.substr(2) : "");
        } else if (line.rfind("scenario ", 0) == 0) {
            stream.scenario = line.substr(9);
        } else if (line.rfind("= ", 0) == 0) {
            const std::size_t space = line.find(' ', 2);
            if (space == std::string::npos || space == 2) return fail("an expectation needs a name and a value");
            stream.expected.emplace_back(line.substr(2, space - 2), line.substr(space + 1));
        } else if (line.rfind("> ", 0) == 0 || line.rfind("< ", 0) == 0) {
            StreamReport report;
            report.output = line[0] == '>';
            if (!parseHex(line.substr(2), report.bytes)) return fail("bytes are two hex digits each");
            const std::size_t size = report.bytes.size();
            if (report.output ? size != 65 : (size == 0 || size > 64))
                return fail(report.output ? "an output report has 65 bytes" : "an input report has 1 to 64 bytes");
            stream.reports.push_back(std::move(report));
        } else {
            return fail("unknown line kind");
        }
    }
    if (stream.scenario.empty()) {
        error = "no scenario line";
        return false;
    }
    return true;
}

bool readReportStreamFile(const std::string& path, ReportStream& stream, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parseReportStream(text.str(), stream, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

// ---- RecordingBackend ----

namespace {

class RecordingDevice final : public hid::Device {
public:
    RecordingDevice(std::unique_ptr<hid::Device> inner, RecordingBackend& log)
        : m_inner(std::move(inner)), m_log(log)
    {
    }
    int write(const std::uint8_t* data, std::size_t length) override
    {
        const int written = m_inner->write(data, length);
        if (written >= 0) m_log.log({true, std::vector<std::uint8_t>(data, data + length)});
        return written;
    }
    int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override
    {
        const int read = m_inner->readTimeout(data, length, milliseconds);
        if (read > 0) m_log.log({false, std::vector<std::uint8_t>(data, data + read)});
        return read;
    }

private:
    std::unique_ptr<hid::Device> m_inner;
    RecordingBackend& m_log;
};

}  // namespace

std::vector<hid::DeviceInfo> RecordingBackend::enumerate(std::uint16_t vendorId, std::uint16_t productId)
{
    return m_inner.enumerate(vendorId, productId);
}

std::unique_ptr<hid::Device> RecordingBackend::open(std::uint16_t vendorId, std::uint16_t productId,
                                                    const char* serialNumber)
{
    std::unique_ptr<hid::Device> inner = m_inner.open(vendorId, productId, serialNumber);
    if (!inner) return nullptr;
    return std::make_unique<RecordingDevice>(std::move(inner), *this);
}

std::vector<StreamReport> RecordingBackend::reports() const
{
    std::lock_guard lock(m_mutex);
    return m_reports;
}

void RecordingBackend::log(StreamReport report)
{
    std::lock_guard lock(m_mutex);
    m_reports.push_back(std::move(report));
}

// ---- StreamReplay ----

StreamReplay::StreamReplay(std::vector<StreamReport> reports) : m_state(std::make_shared<State>())
{
    m_state->reports = std::move(reports);
}

Responder StreamReplay::responder()
{
    std::shared_ptr<State> state = m_state;
    return [state](const WrittenReport& written, ScriptedDevice& device) {
        std::lock_guard lock(state->mutex);
        auto& reports = state->reports;
        std::size_t& next = state->next;
        // Input reports before the first request are never read; skip them.
        while (next < reports.size() && !reports[next].output) ++next;
        if (next == reports.size()) {
            state->mismatches.push_back("after the recording's end: " + hexBytes(written.bytes));
            return;
        }
        if (written.bytes != reports[next].bytes) {
            state->mismatches.push_back("expected " + hexBytes(reports[next].bytes) + "\n     got " +
                                        hexBytes(written.bytes));
            return;
        }
        for (++next; next < reports.size() && !reports[next].output; ++next) {
            const std::vector<std::uint8_t>& bytes = reports[next].bytes;
            if (bytes.size() == 64) {
                Payload payload{};
                std::copy(bytes.begin(), bytes.end(), payload.begin());
                device.queueReply(payload);
            } else {
                device.queueShortReply(static_cast<int>(bytes.size()));
            }
        }
    };
}

std::vector<std::string> StreamReplay::mismatches() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->mismatches;
}

std::size_t StreamReplay::unwrittenRequests() const
{
    std::lock_guard lock(m_state->mutex);
    std::size_t count = 0;
    for (std::size_t i = m_state->next; i < m_state->reports.size(); ++i) count += m_state->reports[i].output;
    return count;
}

}  // namespace vantrel::test
