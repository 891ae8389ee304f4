#include "files/CalibrationText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "files/LineGrammar.h"

namespace halden {

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr int kLinesBeforeBlockA = 12;  // block A starts on line 13

std::size_t limitFor(CalibrationLayout layout) {
    return layout == CalibrationLayout::File ? kCalibrationTextLimit : kFlashAreaSize;
}

// Position of the next LF at or after from, or size when there is none.
std::size_t findLf(std::string_view s, std::size_t from) {
    if (from >= s.size()) return s.size();
    const void* hit = std::memchr(s.data() + from, '\n', s.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) : s.size();
}

// Line-based reading for the file layout. Lines are counted from the end of
// the 16-byte header, so header bytes never shift the line numbers.
class LineCursor {
public:
    explicit LineCursor(std::string_view s) : m_text(s), m_pos(std::min(kHeaderSize, s.size())) {
        skipLine();  // the rest of line 1 (CR LF after the header)
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    // The current line without its LF; advances to the next line.
    std::string_view nextLine() {
        const std::size_t lf = findLf(m_text, m_pos);
        std::string_view line = m_text.substr(m_pos, lf - m_pos);
        m_pos = lf < m_text.size() ? lf + 1 : m_text.size();
        return line;
    }
    void skipLine() { (void)nextLine(); }

private:
    std::string_view m_text;
    std::size_t m_pos;
};

// Position-based reading for the flash layout: a value is the text from the
// current position up to the next LF, and the position then stands on that LF.
class ValueCursor {
public:
    ValueCursor(std::string_view s, std::size_t pos) : m_text(s), m_pos(pos) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    double nextValue() {
        const std::size_t from = (m_text[m_pos] == '\n') ? m_pos + 1 : m_pos;
        const std::size_t lf = findLf(m_text, from);
        const double v = leadingNumber(m_text.substr(m_pos, lf - m_pos));
        m_pos = lf;
        return v;
    }
    // Moves past the next count LF bytes (the one under the cursor included).
    void passLfs(int count) {
        for (int i = 0; i < count && m_pos < m_text.size(); ++i) {
            const std::size_t lf = findLf(m_text, m_pos);
            m_pos = lf < m_text.size() ? lf + 1 : m_text.size();
        }
    }
    void advance(std::size_t n) { m_pos = (n > m_text.size() - std::min(m_pos, m_text.size())) ? m_text.size() : m_pos + n; }

private:
    std::string_view m_text;
    std::size_t m_pos;
};

// A block C line of the file layout that holds no value: empty, a lone CR or
// the "0" marker (the trailing CR not counted).
bool isMarkerLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line.size() <= 1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The number a value line of the file layout holds: one decimal number and
// nothing else but blanks around it. "abc", an empty line, "900.5xyz" and
// "0x10" hold none. A number beyond the range of a double reads as infinite
// (or 0 when it is too small), so the finiteness check names it.
std::optional<double> wholeNumber(std::string_view line) {
    while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
    if (line.size() > 1 && line[0] == '+' && line[1] != '-') line.remove_prefix(1);
    if (line.empty()) return std::nullopt;
    double value = 0;
    const char* end = line.data() + line.size();
    const auto [ptr, ec] = std::from_chars(line.data(), end, value, std::chars_format::general);
    if (ptr != end) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        const std::size_t e = line.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < line.size() && line[e + 1] == '-';
        const double huge = line[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        return tiny ? 0.0 : huge;
    }
    if (ec != std::errc()) return std::nullopt;
    return value;
}

// Up to 24 bytes of a refused value line, for the message.
std::string quoted(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\t')) line.remove_suffix(1);
    std::string out = "\"";
    for (char c : line.substr(0, 24)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    return out + (line.size() > 24 ? "...\"" : "\"");
}

// Reads the value of one line of the file layout; the first line that holds
// no number refuses the text and is named in the refusal.
double fileValue(std::string_view line, const std::string& what, ParsedCalibration& out) {
    if (const std::optional<double> v = wholeNumber(line)) return *v;
    if (out.refusal.empty()) {
        out.malformed = true;
        out.refusal = "The calibration holds a value that is not a number (" + what + ": " + quoted(line) + ").";
    }
    return 0.0;
}

std::string valueName(const char* block, int k) { return std::string(block) + " value " + std::to_string(k + 1); }

void parseFileBlocks(std::string_view bytes, ParsedCalibration& out) {
    LineCursor lines(bytes);
    if (!lines.atEnd()) out.irradianceFactor = fileValue(lines.nextLine(), "the irradiance coefficient", out);
    if (!lines.atEnd()) out.laserWavelength = fileValue(lines.nextLine(), "the laser wavelength", out);
    if (out.laserWavelength <= 0) out.laserWavelength = kDefaultLaserWavelength;
    for (int i = 3; i < kLinesBeforeBlockA; ++i) lines.skipLine();

    int readA = 0, readB = 0, readC = 0;
    for (; readA < kCalibrationPoints && !lines.atEnd(); ++readA)
        out.wavelength[readA] = fileValue(lines.nextLine(), valueName("wavelength", readA), out);
    if (readA == kCalibrationPoints) {
        lines.skipLine();  // empty line
        for (; readB < kCalibrationPoints && !lines.atEnd(); ++readB)
            out.sensitivity[readB] = fileValue(lines.nextLine(), valueName("sensitivity", readB), out);
    }
    if (readB == kCalibrationPoints) {
        // Block C follows the "0" line and an empty line; marker lines are
        // skipped wherever they stand, so a text without the empty line reads too.
        while (readC < kCalibrationPoints && !lines.atEnd()) {
            const std::string_view line = lines.nextLine();
            if (isMarkerLine(line)) continue;
            out.irradianceCal[readC] = fileValue(line, valueName("irradiance factor", readC), out);
            ++readC;
        }
    }
    out.valuesRead = readA + readB + readC;
}

// Names the first pair of neighbouring wavelengths that breaks a strictly
// rising or strictly falling table, or is empty when there is none.
std::string firstUnorderedWavelength(const std::vector<double>& wl) {
    const bool rising = wl[1] > wl[0];
    for (std::size_t k = 1; k < wl.size(); ++k)
        if (rising ? !(wl[k] > wl[k - 1]) : !(wl[k] < wl[k - 1]))
            return "wavelength values " + std::to_string(k) + " and " + std::to_string(k + 1);
    return {};
}

void parseFlashBlocks(std::string_view bytes, ParsedCalibration& out) {
    ValueCursor cur(bytes, std::min(kHeaderSize, bytes.size()));
    cur.passLfs(1);  // end of line 1
    if (!cur.atEnd()) {
        out.irradianceFactor = cur.nextValue();
        cur.advance(1);
    }
    if (!cur.atEnd()) out.laserWavelength = cur.nextValue();  // stored as read
    cur.passLfs(kLinesBeforeBlockA - 2);  // the LF ending line 3, then lines 4..12

    int readA = 0, readB = 0, readC = 0;
    for (; readA < kCalibrationPoints && !cur.atEnd(); ++readA) out.wavelength[readA] = cur.nextValue();
    if (readA == kCalibrationPoints) {
        cur.passLfs(2);  // end of the last block A line, the empty line
        for (; readB < kCalibrationPoints && !cur.atEnd(); ++readB) out.sensitivity[readB] = cur.nextValue();
    }
    if (readB == kCalibrationPoints) {
        cur.advance(4);  // LF, "0", CR, LF
        for (; readC < kCalibrationPoints && !cur.atEnd(); ++readC) out.irradianceCal[readC] = cur.nextValue();
    }
    out.valuesRead = readA + readB + readC;
}

void appendFixed(std::string& s, double v, int precision) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    s.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

void appendScientific(std::string& s, double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
    s.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

void appendBlock(std::string& s, std::span<const double> values, bool increasing) {
    for (int k = 0; k < kCalibrationPoints; ++k) {
        appendFixed(s, values[increasing ? k : kCalibrationPoints - 1 - k], 3);
        s.append("\t\r\n", 3);
    }
}

// Names the first value of a parsed record that is nan or infinite, or is
// empty when every value is finite.
std::string firstNonFinite(const ParsedCalibration& p) {
    if (!std::isfinite(p.irradianceFactor)) return "the irradiance coefficient";
    if (!std::isfinite(p.laserWavelength)) return "the laser wavelength";
    const std::pair<const std::vector<double>*, const char*> blocks[] = {
        {&p.wavelength, "wavelength"}, {&p.sensitivity, "sensitivity"}, {&p.irradianceCal, "irradiance factor"}};
    for (const auto& [values, name] : blocks)
        for (std::size_t k = 0; k < values->size(); ++k)
            if (!std::isfinite((*values)[k])) return std::string(name) + " value " + std::to_string(k + 1);
    return {};
}

}  // namespace

ParsedCalibration parseCalibrationText(std::string_view bytes, CalibrationLayout layout) {
    ParsedCalibration out;
    const std::size_t limit = limitFor(layout);
    if (bytes.size() > limit) {
        out.refusal = layout == CalibrationLayout::File
                          ? "The calibration text is longer than 130000 bytes."
                          : "The calibration record is longer than the 20 flash pages.";
        return out;
    }
    if (bytes.size() < kHeaderSize) {
        out.refusal = "The calibration text is shorter than its 16-byte identification record.";
        return out;
    }
    std::memcpy(out.header.data(), bytes.data(), kHeaderSize);
    out.recordPresent = out.header[5] == '.';
    if (!out.recordPresent) return out;

    out.wavelength.assign(kCalibrationPoints, 0.0);
    out.sensitivity.assign(kCalibrationPoints, 0.0);
    out.irradianceCal.assign(kCalibrationPoints, 0.0);
    if (layout == CalibrationLayout::File)
        parseFileBlocks(bytes, out);
    else
        parseFlashBlocks(bytes, out);
    out.complete = out.valuesRead == 3 * kCalibrationPoints;
    if (out.malformed) return out;
    if (const std::string where = firstNonFinite(out); !where.empty()) {
        out.nonFinite = true;
        out.refusal = "The calibration holds a value that is not a finite number (" + where + ").";
        return out;
    }
    // A wavelength table that repeats or turns back would map two points to
    // one wavelength; only texts from disk are held to it, the instrument's
    // own record is taken as it stands.
    if (layout == CalibrationLayout::File && out.valuesRead >= kCalibrationPoints) {
        if (const std::string where = firstUnorderedWavelength(out.wavelength); !where.empty()) {
            out.malformed = true;
            out.refusal = "The calibration's wavelengths do not rise or fall strictly (" + where + ").";
        }
    }
    return out;
}

CalibrationText formatCalibrationText(const CalibrationSource& src, CalibrationLayout layout) {
    CalibrationText out;
    if (src.wavelength.size() < kCalibrationPoints || src.sensitivity.size() < kCalibrationPoints ||
        src.irradianceCal.size() < kCalibrationPoints) {
        out.refusal = "The calibration tables hold fewer than 3653 values.";
        return out;
    }
    std::string& s = out.text;
    s.reserve(110000);
    s.append(src.header.data(), src.header.size());
    s.append("\r\n");
    appendScientific(s, src.irradianceFactor);
    s.append("\t\r\n");
    appendFixed(s, src.laserWavelength, 6);
    s.append("\t");
    for (int i = 0; i < 10; ++i) s.append("\r\n");
    appendBlock(s, src.wavelength, src.increasing);
    s.append("\r\n");
    appendBlock(s, src.sensitivity, src.increasing);
    s.append(layout == CalibrationLayout::File ? "0\r\n\r\n" : "0\r\n");
    appendBlock(s, src.irradianceCal, src.increasing);
    s.append("0\r\n");

    if (s.size() > limitFor(layout)) {
        out.text.clear();
        out.refusal = layout == CalibrationLayout::File
                          ? "The calibration text would be longer than 130000 bytes."
                          : "The calibration record would not fit the 20 flash pages.";
    }
    return out;
}

}  // namespace halden
