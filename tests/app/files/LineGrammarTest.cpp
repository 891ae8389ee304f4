#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
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

// The fast path for common rows must give exactly what the field-by-field
// reading gives, for every line, common or not.
void expectSameAsPlain(const std::string& text, std::size_t maxLines = kMaxDataLines) {
    const DataLines fast = readDataLines(text, maxLines);
    const DataLines plain = readDataLinesPlain(text, maxLines);
    ASSERT_EQ(fast.x.size(), plain.x.size()) << text;
    EXPECT_EQ(fast.overflow, plain.overflow) << text;
    for (std::size_t k = 0; k < fast.x.size(); ++k) {
        // Bit for bit: the sign of zero counts too.
        EXPECT_EQ(std::memcmp(&fast.x[k], &plain.x[k], sizeof(double)), 0) << text << " row " << k;
        EXPECT_EQ(std::memcmp(&fast.y[k], &plain.y[k], sizeof(double)), 0) << text << " row " << k;
    }
}

TEST(LineGrammar, FastRowsMatchTheFieldByFieldReading) {
    // Lines near the shape of saved rows, and lines just outside it.
    const char* tricky[] = {"532.117 1843.000", "-0.000 -0.5", "0 0", "1234567 7654321", "12345678 1",
                            "1.1234567 2", "1.12345678 2", "1. 2", ".5 2", "1 .5", "-.5 -2", "1 2.", "1 2e3",
                            "1e3 2", "1E-3 2", "+1 2", "1 +2", "1 -", "- 1", "1--2 3", "1 2-3", "1 2 3",
                            "1,2", "1 , 2", "1\t\t2", "1 2\t", "1 2 ", " 1 2", "\t1 2", "1\x01 2", "1 2\xb0",
                            "1 2x", "1:2 3", "007.100 0009", "9007199254740993 1", "0.30000000000000004 1",
                            "99999999999999999999 1", "1e999 1e-999", "4405.123 , 10.5\t99"};
    std::string all;
    for (const char* line : tricky) {
        for (const char* lineEnd : {"", "\r\n", "\n", "\r"}) {
            expectSameAsPlain(std::string(line) + lineEnd);
            // Far from the end of the bytes as well, where the fast path may run.
            expectSameAsPlain(std::string(line) + lineEnd + std::string(40, '\n'));
        }
        all += line;
        all += "\r\n";
    }
    expectSameAsPlain(all);
    expectSameAsPlain(all, 7);
}

TEST(LineGrammar, FastRowsMatchOnRandomText) {
    std::mt19937 rng(12345);
    const std::string alphabet = "0123456789.-+, \teE\r\n:x";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    std::uniform_int_distribution<int> kind(0, 9), digits(0, 9);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int line = 0; line < 60; ++line) {
            char row[96];
            switch (kind(rng)) {
                case 0:  // random bytes from the grammar's alphabet
                    for (int k = digits(rng) + 2; k > 0; --k) text += alphabet[pick(rng)];
                    break;
                case 1:  // exponents and long fractions
                    std::snprintf(row, sizeof row, "%.*e %.*g", digits(rng), value(rng), digits(rng) + 1, value(rng));
                    text += row;
                    break;
                case 2:  // many digits
                    std::snprintf(row, sizeof row, "%.*f,%.*f", digits(rng) + 5, value(rng) / 1e3, digits(rng),
                                  value(rng) * 1e6);
                    text += row;
                    break;
                default:  // saved rows
                    std::snprintf(row, sizeof row, "%.*f%s%.*f", digits(rng) % 8, value(rng),
                                  kind(rng) < 5 ? " " : (kind(rng) < 5 ? "\t" : " , "), digits(rng) % 8, value(rng));
                    text += row;
                    break;
            }
            text += kind(rng) < 8 ? "\r\n" : (kind(rng) < 5 ? "\n" : "\r");
        }
        expectSameAsPlain(text);
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace halden
