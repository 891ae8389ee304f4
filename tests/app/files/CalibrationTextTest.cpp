#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/CalibrationText.h"

namespace halden {
namespace {

struct Tables {
    std::vector<double> wl, sens, irr;
    Tables() : wl(kCalibrationPoints), sens(kCalibrationPoints), irr(kCalibrationPoints) {
        for (int i = 0; i < kCalibrationPoints; ++i) {
            wl[i] = 200.125 + i * 0.25;
            sens[i] = 1.0 + i * 0.001;
            irr[i] = 2.5 - i * 0.0005;
        }
    }
};

CalibrationSource sourceOf(const Tables& t, bool increasing) {
    CalibrationSource s;
    const char h[17] = "R1234.5678Y12345";
    std::copy(h, h + 16, s.header.begin());
    s.irradianceFactor = 1.25;
    s.laserWavelength = 785.0;
    s.wavelength = t.wl;
    s.sensitivity = t.sens;
    s.irradianceCal = t.irr;
    s.increasing = increasing;
    return s;
}

TEST(CalibrationText, FileLayoutLinesAreWhereTheyBelong) {
    const Tables t;
    const CalibrationText out = formatCalibrationText(sourceOf(t, true), CalibrationLayout::File);
    ASSERT_TRUE(out.ok());
    const std::string& s = out.text;
    EXPECT_EQ(s.substr(0, 48), std::string("R1234.5678Y12345\r\n1.250000e+00\t\r\n785.000000\t\r\n\r\n"));
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t lf = s.find("\r\n", pos);
        ASSERT_NE(lf, std::string::npos) << "every line ends with CR LF";
        lines.push_back(s.substr(pos, lf - pos));
        pos = lf + 2;
    }
    ASSERT_EQ(lines.size(), 10975u);
    for (int i = 3; i < 12; ++i) EXPECT_EQ(lines[i], "");
    EXPECT_EQ(lines[12], "200.125\t");
    EXPECT_EQ(lines[3664], "1113.125\t");
    EXPECT_EQ(lines[3665], "");
    EXPECT_EQ(lines[3666], "1.000\t");
    EXPECT_EQ(lines[7319], "0");
    EXPECT_EQ(lines[7320], "");
    EXPECT_EQ(lines[7321], "2.500\t");
    EXPECT_EQ(lines[10974], "0");
}

TEST(CalibrationText, FlashLayoutHasNoEmptyLineBeforeBlockC) {
    const Tables t;
    const std::string file = formatCalibrationText(sourceOf(t, true), CalibrationLayout::File).text;
    const std::string flash = formatCalibrationText(sourceOf(t, true), CalibrationLayout::Flash).text;
    EXPECT_EQ(file.size(), flash.size() + 2);
    const std::size_t marker = flash.find("\r\n0\r\n");
    ASSERT_NE(marker, std::string::npos);
    EXPECT_EQ(flash.substr(marker, 11), "\r\n0\r\n2.500\t");
    EXPECT_EQ(file.substr(marker, 13), "\r\n0\r\n\r\n2.500\t");
}

TEST(CalibrationText, DescendingOrderWritesEveryBlockReversed) {
    const Tables t;
    const std::string s = formatCalibrationText(sourceOf(t, false), CalibrationLayout::File).text;
    const ParsedCalibration p = parseCalibrationText(s, CalibrationLayout::File);
    ASSERT_TRUE(p.complete);
    EXPECT_DOUBLE_EQ(p.wavelength[0], 1113.125);
    EXPECT_DOUBLE_EQ(p.wavelength[3652], 200.125);
    EXPECT_NEAR(p.sensitivity[0], 4.652, 1e-9);
    EXPECT_DOUBLE_EQ(p.irradianceCal[3652], 2.5);
}

// Text -> values -> text is byte-identical in both layouts and both orders.
TEST(CalibrationText, RoundTripIsByteIdentical) {
    const Tables t;
    for (const auto layout : {CalibrationLayout::File, CalibrationLayout::Flash}) {
        for (const bool increasing : {true, false}) {
            const std::string first = formatCalibrationText(sourceOf(t, increasing), layout).text;
            const ParsedCalibration p = parseCalibrationText(first, layout);
            ASSERT_TRUE(p.accepted());
            ASSERT_TRUE(p.complete);
            EXPECT_EQ(p.valuesRead, 3 * kCalibrationPoints);
            EXPECT_DOUBLE_EQ(p.irradianceFactor, 1.25);
            EXPECT_DOUBLE_EQ(p.laserWavelength, 785.0);
            CalibrationSource again = sourceOf(t, true);  // text order as parsed
            again.wavelength = p.wavelength;
            again.sensitivity = p.sensitivity;
            again.irradianceCal = p.irradianceCal;
            EXPECT_EQ(formatCalibrationText(again, layout).text, first);
        }
    }
}

TEST(CalibrationText, LaserAtOrBelowZeroDiffersBetweenLayouts) {
    const Tables t;
    for (const double laser : {0.0, -3.0}) {
        CalibrationSource s = sourceOf(t, true);
        s.laserWavelength = laser;
        EXPECT_DOUBLE_EQ(parseCalibrationText(formatCalibrationText(s, CalibrationLayout::File).text,
                                              CalibrationLayout::File).laserWavelength, 532.1);
        EXPECT_DOUBLE_EQ(parseCalibrationText(formatCalibrationText(s, CalibrationLayout::Flash).text,
                                              CalibrationLayout::Flash).laserWavelength, laser);
    }
}

TEST(CalibrationText, FlashParserReadsBlockCFourBytesAfterBlockB) {
    // A file-layout text read as flash shifts block C by the empty line.
    const Tables t;
    const std::string file = formatCalibrationText(sourceOf(t, true), CalibrationLayout::File).text;
    const ParsedCalibration p = parseCalibrationText(file, CalibrationLayout::Flash);
    EXPECT_DOUBLE_EQ(p.wavelength[5], t.wl[5]);
    EXPECT_DOUBLE_EQ(p.irradianceCal[0], 0.0);
    EXPECT_DOUBLE_EQ(p.irradianceCal[1], 2.5);
    // The file parser skips marker lines, so a flash-layout text reads whole.
    const std::string flash = formatCalibrationText(sourceOf(t, true), CalibrationLayout::Flash).text;
    const ParsedCalibration f = parseCalibrationText(flash, CalibrationLayout::File);
    EXPECT_TRUE(f.complete);
    EXPECT_DOUBLE_EQ(f.irradianceCal[0], 2.5);
}

TEST(CalibrationText, LfOnlyTextReadsInBothLayouts) {
    const Tables t;
    std::string s = formatCalibrationText(sourceOf(t, false), CalibrationLayout::Flash).text;
    std::string lf;
    for (char c : s) if (c != '\r') lf.push_back(c);
    // A file edited into LF-only line ends still loads.
    const ParsedCalibration p = parseCalibrationText(lf, CalibrationLayout::File);
    EXPECT_TRUE(p.complete);
    EXPECT_DOUBLE_EQ(p.wavelength[0], t.wl[3652]);
    EXPECT_DOUBLE_EQ(p.irradianceCal[0], t.irr[3652]);
}

TEST(CalibrationText, NoRecordWhenByteFiveIsNotAPoint) {
    std::string s = "ABCDEFGHIJKLMNOP\r\n1\t\r\n2\t\r\n";
    const ParsedCalibration p = parseCalibrationText(s, CalibrationLayout::File);
    EXPECT_TRUE(p.accepted());
    EXPECT_FALSE(p.recordPresent);
    EXPECT_EQ(std::string(p.header.data(), 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(p.valuesRead, 0);
}

TEST(CalibrationText, UntrustedTextsNeverReadPastTheBuffer) {
    const Tables t;
    const std::string full = formatCalibrationText(sourceOf(t, true), CalibrationLayout::File).text;
    for (const auto layout : {CalibrationLayout::File, CalibrationLayout::Flash}) {
        // Too short for the identification record.
        EXPECT_FALSE(parseCalibrationText("ABCDE.", layout).accepted());
        EXPECT_FALSE(parseCalibrationText("", layout).accepted());
        // A record without any LF: nothing but the header.
        const ParsedCalibration noLf = parseCalibrationText("ABCDE.GHIJYLMNOP1.0\t", layout);
        EXPECT_TRUE(noLf.accepted());
        EXPECT_FALSE(noLf.complete);
        EXPECT_EQ(noLf.valuesRead, 0);
        // Cut in block B: block A whole, part of B, nothing of C.
        const std::size_t cut = full.find("1.500\t");
        ASSERT_NE(cut, std::string::npos);
        const ParsedCalibration part = parseCalibrationText(std::string_view(full).substr(0, cut + 3), layout);
        EXPECT_FALSE(part.complete);
        EXPECT_EQ(part.valuesRead, kCalibrationPoints + 501);
        EXPECT_DOUBLE_EQ(part.sensitivity[499], 1.499);
        EXPECT_DOUBLE_EQ(part.sensitivity[500], 1.5);
        EXPECT_DOUBLE_EQ(part.irradianceCal[0], 0.0);
        // Every prefix parses (the sanitizers catch any overread).
        for (std::size_t n = 0; n < 400; n += 7) (void)parseCalibrationText(full.substr(0, n), layout);
    }
    // Too few lines: the 12-line preamble only.
    const ParsedCalibration preamble = parseCalibrationText(full.substr(0, 60), CalibrationLayout::File);
    EXPECT_EQ(preamble.valuesRead, 0);
    EXPECT_DOUBLE_EQ(preamble.laserWavelength, 785.0);
}

TEST(CalibrationText, OversizedTextsAreRefused) {
    std::string big = "ABCDEFGHIJYLMNOP\r\n";  // no record: only the size counts
    big.resize(kCalibrationTextLimit + 1, '\n');
    EXPECT_FALSE(parseCalibrationText(big, CalibrationLayout::File).accepted());
    big.resize(kCalibrationTextLimit);
    EXPECT_TRUE(parseCalibrationText(big, CalibrationLayout::File).accepted());
    // The flash holds 20 pages.
    EXPECT_FALSE(parseCalibrationText(big, CalibrationLayout::Flash).accepted());
    big.resize(kFlashAreaSize);
    EXPECT_TRUE(parseCalibrationText(big, CalibrationLayout::Flash).accepted());
}

// nan, inf or a number too large for a double anywhere in a record refuses
// the whole text, in both layouts, and the refusal names the value.
TEST(CalibrationText, NonFiniteValuesAreRefused) {
    const Tables t;
    for (const CalibrationLayout layout : {CalibrationLayout::File, CalibrationLayout::Flash}) {
        const std::string good = formatCalibrationText(sourceOf(t, true), layout).text;
        ASSERT_TRUE(parseCalibrationText(good, layout).accepted());
        struct Case {
            std::string from, to, where;
        };
        const Case cases[] = {
            {"200.125\t", "nan\t", "wavelength value 1"},
            {"200.375\t", "-inf\t", "wavelength value 2"},
            {"4.652\t", "1e400\t", "sensitivity value 3653"},
            {"0.674\t", "NAN\t", "irradiance factor value 3653"},  // the last value of the text
            {"1.250000e+00", "inf", "the irradiance coefficient"},
            {"785.000000", "nan", "the laser wavelength"},
        };
        for (const Case& c : cases) {
            std::string text = good;
            const std::size_t at = text.rfind(c.from);
            ASSERT_NE(at, std::string::npos) << c.from;
            text.replace(at, c.from.size(), c.to);
            const ParsedCalibration p = parseCalibrationText(text, layout);
            EXPECT_FALSE(p.accepted()) << c.to;
            EXPECT_TRUE(p.nonFinite) << c.to;
            EXPECT_NE(p.refusal.find(c.where), std::string::npos) << p.refusal;
        }
    }
}

// A file's value line holds one number and nothing else, and its
// wavelengths rise or fall strictly; anything else refuses the whole text
// and names the value, where a lenient reading would take 0 or the number's
// leading part and silently lose a point.
TEST(CalibrationText, FileValuesMustBeWholeNumbersAndWavelengthsStrictlyOrdered) {
    const Tables t;
    const std::string good = formatCalibrationText(sourceOf(t, true), CalibrationLayout::File).text;
    struct Case {
        std::string from, to, says;
    };
    const Case cases[] = {
        {"200.375\t", "abc\t", "wavelength value 2: \"abc\""},
        {"200.375\t", "\t", "wavelength value 2: \"\""},
        {"200.375\t", "900.5xyz\t", "wavelength value 2: \"900.5xyz\""},
        {"1.002\t", "0x10\t", "sensitivity value 3: \"0x10\""},
        {"0.674\t", "0.674 7\t", "irradiance factor value 3653: \"0.674 7\""},
        {"785.000000", "785nm", "the laser wavelength: \"785nm\""},
        {"200.375\t", "200.125\t", "do not rise or fall strictly (wavelength values 1 and 2)"},
        {"201.125\t", "200.800\t", "(wavelength values 4 and 5)"},
    };
    for (const Case& c : cases) {
        std::string text = good;
        const std::size_t at = c.from == "0.674\t" ? text.rfind(c.from) : text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        const ParsedCalibration p = parseCalibrationText(text, CalibrationLayout::File);
        EXPECT_FALSE(p.accepted()) << c.to;
        EXPECT_TRUE(p.malformed) << c.to;
        EXPECT_NE(p.refusal.find(c.says), std::string::npos) << p.refusal;
    }
    Tables flat;
    for (double& v : flat.wl) v = 0;
    EXPECT_TRUE(parseCalibrationText(formatCalibrationText(sourceOf(flat, true), CalibrationLayout::File).text,
                                     CalibrationLayout::File).malformed);
    // Blanks around a number and a leading '+' are fine; the instrument's
    // flash record is taken as it stands.
    std::string spaced = good;
    spaced.replace(spaced.find("200.375\t"), 8, " +200.375 \t");
    EXPECT_TRUE(parseCalibrationText(spaced, CalibrationLayout::File).accepted());
    for (double& v : flat.wl) v = 500;
    EXPECT_TRUE(parseCalibrationText(formatCalibrationText(sourceOf(flat, true), CalibrationLayout::Flash).text,
                                     CalibrationLayout::Flash).accepted());
}

TEST(CalibrationText, FormatRefusesTextsThatDoNotFit) {
    Tables t;
    for (double& v : t.sens) v = 1e12;  // "1000000000000.000\t" lines: far too long
    const CalibrationText flash = formatCalibrationText(sourceOf(t, true), CalibrationLayout::Flash);
    EXPECT_FALSE(flash.ok());
    EXPECT_TRUE(flash.text.empty());
    for (double& v : t.sens) v = 1e20;
    EXPECT_FALSE(formatCalibrationText(sourceOf(t, true), CalibrationLayout::File).ok());
    Tables shortTables;
    shortTables.irr.resize(100);
    EXPECT_FALSE(formatCalibrationText(sourceOf(shortTables, true), CalibrationLayout::File).ok());
}

TEST(CalibrationText, HeaderBytesDoNotShiftTheLines) {
    const Tables t;
    CalibrationSource s = sourceOf(t, true);
    s.header[12] = '\n';
    s.header[13] = '\0';
    const std::string text = formatCalibrationText(s, CalibrationLayout::Flash).text;
    const ParsedCalibration p = parseCalibrationText(text, CalibrationLayout::Flash);
    EXPECT_TRUE(p.complete);
    EXPECT_EQ(p.header, s.header);
    EXPECT_DOUBLE_EQ(p.irradianceFactor, 1.25);
    EXPECT_DOUBLE_EQ(p.wavelength[0], t.wl[0]);
}

}  // namespace
}  // namespace halden
