#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "files/LineGrammar.h"

namespace halden {
namespace {

TEST(LineGrammar, AcceptsNumberSeparatorNumber) {
    for (const char* line : {"500.5\t12", "501,13", "1e3 5E-1", "532.117 1843.000\t1851.000", "1 2",
                             "  -3.5 , -7", "123.456 , 10.0", "+1 +2", "1\x01 2", "1\xb0 2", "1\t\t2"})
        EXPECT_TRUE(isDataLine(line)) << line;
}

TEST(LineGrammar, RejectsHeadersLabelsAndIncompleteLines) {
    for (const char* line : {"", "Wavelength\tIntensity", "nm\tcounts", "12:30 5", "1*2 3", "1 2/3", "1 2!",
                             "1 \"2\"", "1 (2)", "1 2 x", "1 2\x7f", "500.5", "500.5\t", "- 1",
                             "1.2.3", "#1 2"})
        EXPECT_FALSE(isDataLine(line)) << line;
}

TEST(LineGrammar, TakesTheTwoNumbersAsAtofWould) {
    auto p = parseDataLine("500.5\t12");
    EXPECT_DOUBLE_EQ(p.x, 500.5);
    EXPECT_DOUBLE_EQ(p.y, 12);
    p = parseDataLine("1e3 5E-1");
    EXPECT_DOUBLE_EQ(p.x, 1000);
    EXPECT_DOUBLE_EQ(p.y, 0.5);
    p = parseDataLine("4405.123 , 10.5\t99");  // the 1/cm form; later fields ignored
    EXPECT_DOUBLE_EQ(p.x, 4405.123);
    EXPECT_DOUBLE_EQ(p.y, 10.5);
    p = parseDataLine("  -3.5 , -7");
    EXPECT_DOUBLE_EQ(p.x, -3.5);
    EXPECT_DOUBLE_EQ(p.y, -7);
    p = parseDataLine("+1 +2");  // '+' does not start a number; the digits do
    EXPECT_DOUBLE_EQ(p.x, 1);
    EXPECT_DOUBLE_EQ(p.y, 2);
    p = parseDataLine("5-3 7");  // a field reads its leading number only
    EXPECT_DOUBLE_EQ(p.x, 5);
    EXPECT_DOUBLE_EQ(p.y, 7);
}

TEST(LineGrammar, LeadingNumberMatchesAtof) {
    EXPECT_DOUBLE_EQ(leadingNumber(" \t\r\n12.5\t\r"), 12.5);
    EXPECT_DOUBLE_EQ(leadingNumber("1.250000e+00\t"), 1.25);
    EXPECT_DOUBLE_EQ(leadingNumber("+4"), 4);
    EXPECT_DOUBLE_EQ(leadingNumber("+-4"), 0);
    EXPECT_DOUBLE_EQ(leadingNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(leadingNumber(""), 0);
    EXPECT_DOUBLE_EQ(leadingNumber("7e"), 7);
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
    EXPECT_DOUBLE_EQ(leadingNumber("1e-999"), 0);
}

TEST(LineGrammar, ReadsFilesWithAnyLineEnds) {
    const std::string body = "Spectrum of a lamp\nWavelength\tIntensity\nnm\tcounts\n500.5\t12\n501,13\n"
                             "12:00 1\n1*2 3\n1e3 5E-1";  // last line without a line end
    std::string crlf;
    for (char c : body) {
        if (c == '\n') crlf += "\r\n";
        else crlf += c;
    }
    std::string crOnly = body;
    for (char& c : crOnly) if (c == '\n') c = '\r';
    for (const std::string& text : {body, crlf, crOnly}) {
        const DataLines d = readDataLines(text);
        ASSERT_EQ(d.x.size(), 3u);
        EXPECT_FALSE(d.overflow);
        EXPECT_DOUBLE_EQ(d.x[0], 500.5);
        EXPECT_DOUBLE_EQ(d.y[0], 12);
        EXPECT_DOUBLE_EQ(d.x[1], 501);
        EXPECT_DOUBLE_EQ(d.y[1], 13);
        EXPECT_DOUBLE_EQ(d.x[2], 1000);
        EXPECT_DOUBLE_EQ(d.y[2], 0.5);
    }
}

TEST(LineGrammar, StopsAtTheLineLimit) {
    std::string text;
    for (int i = 0; i < 10; ++i) text += std::to_string(i) + " 1\r\n";
    DataLines d = readDataLines(text, 10);
    EXPECT_EQ(d.x.size(), 10u);
    EXPECT_FALSE(d.overflow);
    text += "header\r\n";
    EXPECT_FALSE(readDataLines(text, 10).overflow) << "non-data lines do not count";
    text += "10 1";
    d = readDataLines(text, 10);
    EXPECT_TRUE(d.overflow);
    EXPECT_EQ(d.x.size(), 10u);
}

}  // namespace
}  // namespace halden
