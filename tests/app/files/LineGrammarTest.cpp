#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "files/LineGrammar.h"
#include "files/LineGrammarPaths.h"

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

// The fast reader against the field-by-field reading, on bytes held in a
// buffer of exactly their size so that a read past the end is caught by the
// address sanitizer.
void expectReadersMatchPlain(const std::string& text, std::size_t maxLines, const char* what) {
    std::unique_ptr<char[]> exact(new char[text.size() + 1]);
    std::memcpy(exact.get(), text.data(), text.size());
    const std::string_view bytes(exact.get(), text.size());
    const DataLines plain = readDataLinesPlain(bytes, maxLines);
    DataLines got;
    // A reused output (as the database load reuses it) must not keep
    // anything from the previous text.
    got.x.assign(5000, 123.0);
    got.y.assign(5000, 456.0);
    got.overflow = true;
    readDataLines(bytes, maxLines, got);
    ASSERT_EQ(got.x.size(), plain.x.size()) << what << " maxLines " << maxLines;
    ASSERT_EQ(got.y.size(), plain.y.size()) << what;
    ASSERT_EQ(got.overflow, plain.overflow) << what << " maxLines " << maxLines;
    for (std::size_t k = 0; k < plain.x.size(); ++k) {
        ASSERT_EQ(std::memcmp(&got.x[k], &plain.x[k], sizeof(double)), 0)
            << what << " row " << k << ": " << got.x[k] << " vs " << plain.x[k];
        ASSERT_EQ(std::memcmp(&got.y[k], &plain.y[k], sizeof(double)), 0)
            << what << " row " << k << ": " << got.y[k] << " vs " << plain.y[k];
    }
    // Into arrays of exactly the room promised, so that a write past it
    // is caught by the address sanitizer.
    const std::size_t room = dataRowRoom(bytes, maxLines);
    const std::unique_ptr<double[]> xs(new double[room]), ys(new double[room]);
    bool overflow = false;
    const std::size_t rows = readDataRows(bytes, maxLines, xs.get(), ys.get(), overflow);
    ASSERT_EQ(rows, plain.x.size()) << what << " into arrays";
    ASSERT_EQ(overflow, plain.overflow) << what << " into arrays";
    ASSERT_TRUE(rows == 0 || (std::memcmp(xs.get(), plain.x.data(), rows * sizeof(double)) == 0 &&
                              std::memcmp(ys.get(), plain.y.data(), rows * sizeof(double)) == 0))
        << what << " into arrays";
}

// A random number in one of the shapes files hold.
std::string randomNumber(std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 19), count(0, 17), digit(0, 9);
    std::string n;
    const int k = kind(rng);
    if (k < 4) n += '-';
    const auto digits = [&](int c) {
        for (int i = 0; i < c; ++i) n += static_cast<char>('0' + digit(rng));
    };
    if (k < 12) {  // saved rows: whole and fraction digits of every length up to 9
        digits(1 + count(rng) % 9);
        if (k % 3 != 0) {
            n += '.';
            digits(1 + count(rng) % 9);
        }
    } else if (k < 15) {  // long runs: 15, 16 and more digits
        digits(1 + count(rng));
        n += '.';
        digits(count(rng));
    } else if (k < 17) {  // exponents
        digits(1 + count(rng) % 4);
        n += "eE"[k % 2];
        if (digit(rng) < 5) n += "+-"[digit(rng) % 2];
        digits(1 + count(rng) % 3);
    } else if (k == 17) {  // a point without digits on one side
        if (digit(rng) < 5) n += '.';
        digits(1 + count(rng) % 4);
        if (n.back() != '.' && n.find('.') == std::string::npos) n += '.';
    } else if (k == 18) {  // a leading plus
        n = "+";
        digits(1 + count(rng) % 6);
    } else {  // zeros
        n += "0.000";
    }
    return n;
}

std::string randomSeparator(std::mt19937& rng) {
    static const char* const kSeparators[] = {" ", " ", " ", "\t", ",", " , ", "\t\t", "  ", ", ", " \t"};
    return kSeparators[std::uniform_int_distribution<int>(0, 9)(rng)];
}

std::string randomLineEnd(std::mt19937& rng, int style) {
    // style 0: CR LF, 1: LF, 2: CR, 3: mixed
    const int s = style < 3 ? style : std::uniform_int_distribution<int>(0, 2)(rng);
    return s == 0 ? "\r\n" : (s == 1 ? "\n" : "\r");
}

// A random line: mostly rows, some headers, blanks and broken rows.
std::string randomLine(std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 39);
    const int k = kind(rng);
    if (k < 30) return randomNumber(rng) + randomSeparator(rng) + randomNumber(rng);
    switch (k) {
        case 30: return "Wavelength\tIntensity";
        case 31: return "";
        case 32: return randomNumber(rng);  // one number only
        case 33: return randomNumber(rng) + randomSeparator(rng) + randomNumber(rng) + " " + randomNumber(rng);
        case 34: return " " + randomNumber(rng) + " " + randomNumber(rng);  // leading blank
        case 35: return randomNumber(rng) + " " + randomNumber(rng) + " ";  // trailing blank
        case 36: return "12x45 " + randomNumber(rng);                      // a letter where a point would be
        case 37: return randomNumber(rng) + " " + randomNumber(rng) + "\x01";
        case 38: return randomNumber(rng) + ":" + randomNumber(rng) + " 1";
        default: return randomNumber(rng) + "\xb0" + " " + randomNumber(rng);
    }
}

TEST(LineGrammarReaders, MatchThePlainReadingOnRandomFiles) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        const int style = round % 4;
        std::string text;
        const int lines = std::uniform_int_distribution<int>(0, 300)(rng);
        for (int i = 0; i < lines; ++i) text += randomLine(rng) + randomLineEnd(rng, style);
        if (round % 5 == 0) text += randomLine(rng);  // no line end at the end
        expectReadersMatchPlain(text, kMaxDataLines, "random");
        if (HasFatalFailure()) return;
        // Cut-offs: nothing, one row, somewhere inside, exactly all rows.
        const std::size_t all = readDataLinesPlain(text, kMaxDataLines).x.size();
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, all / 2, all, all + 1}) {
            expectReadersMatchPlain(text, cut, "random cut");
            if (HasFatalFailure()) return;
        }
    }
}

// A number that does not fit a double makes its line no data line, in both
// readers and wherever the line stands, so no infinity (and no NaN computed
// from one) leaves the reader.
TEST(LineGrammarReaders, NumbersTooLargeForADoubleMakeNoDataLine) {
    const std::string longDigits = "1" + std::string(400, '0') + " 1";
    for (const std::string& line : {std::string("1e400 5"), std::string("5 1e400"), std::string("-1e400\t5"),
                                    std::string("5,-1E999"), longDigits})
        EXPECT_FALSE(isDataLine(line)) << line;
    EXPECT_TRUE(isDataLine("1e308 5"));
    EXPECT_TRUE(isDataLine("1e-400 5")) << "too small reads as 0, as atof gives";

    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += std::to_string(500 + i) + ".125\t" + std::to_string(i) + ".500\r\n";
        if (i % 7 == 3) text += "1e400\t5\r\n";
        if (i % 11 == 5) text += "500.25 -9e999\n";
    }
    text += "1.5 1e400";  // the last line, without a line end
    expectReadersMatchPlain(text, kMaxDataLines, "overflow");
    if (HasFatalFailure()) return;
    const DataLines got = readDataLines(text);
    EXPECT_EQ(got.x.size(), 200u);
    for (std::size_t k = 0; k < got.x.size(); ++k)
        ASSERT_TRUE(std::isfinite(got.x[k]) && std::isfinite(got.y[k])) << "row " << k;
    EXPECT_TRUE(readDataLines("1e400 1\r\n2 1e400\r\n").x.empty());
}

TEST(LineGrammar, WideTextIsToldApart) {
    const std::string utf16le("\xFF\xFE" "5\0" "0\0" "0\0" "\t\0" "1\0" "\r\0" "\n\0", 16);
    const std::string noMark = utf16le.substr(2);
    const std::string utf16be("\xFE\xFF" "\0" "5" "\0" "\t" "\0" "1", 8);
    EXPECT_TRUE(isWideText(utf16le));
    EXPECT_TRUE(isWideText(noMark));
    EXPECT_TRUE(isWideText(utf16be));
    EXPECT_FALSE(isWideText(""));
    EXPECT_FALSE(isWideText("500\t1\r\n\xEF\xBB\xBF\xB0\x01"));
}

TEST(LineGrammarReaders, RowsOfOneLayoutAndOfAlternatingLayouts) {
    // Saved files: one shape, widths changing with the values, near and far
    // from zero, with each kind of line end.
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        for (const char* format : {"%.3f %.3f", "%.3f\t%.3f", "%.4f,%.1f", "%.0f %.0f", "%.6f %.6f", "%.9f %.9f"}) {
            std::string text = "Wavelength Intensity";
            text += lineEnd;
            std::mt19937 rng(7);
            std::uniform_real_distribution<double> noise(-20, 20);
            for (int i = 0; i < 5000; ++i) {
                char row[96];
                const double x = 190 + i * 0.25;  // 3 then 4 whole digits
                const double y = (i % 700 < 350 ? 1000 : -9.5) + noise(rng) + (i % 1000 == 0 ? 123456789.0 : 0);
                std::snprintf(row, sizeof row, format, x, y);
                text += row;
                text += lineEnd;
            }
            expectReadersMatchPlain(text, kMaxDataLines, format);
            expectReadersMatchPlain(text, 100000, format);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(LineGrammarReaders, ManyLayoutsAndLookalikeRows) {
    // Many row layouts, then rows that share the places of
    // their non-digit bytes with a known layout but not the bytes themselves.
    std::string text;
    for (int w = 1; w <= 9; ++w)
        for (int f = 0; f <= 6; ++f) {
            const std::string x = std::string(static_cast<std::size_t>(w), '7') + (f ? "." + std::string(static_cast<std::size_t>(f), '3') : "");
            text += x + " " + x + "\r\n";
            text += "-" + x + "\t" + x + "\r\n";
        }
    for (int i = 0; i < 50; ++i) {
        text += "12.45 7\r\n";
        text += "12x45 7\r\n";  // a letter: no data line
        text += "12-45 7\r\n";  // reads 12 and 7
        text += "12.45\t7\r\n";
        text += "12.45,7\r\n";
        text += "12.45 7\n\r";  // LF then CR: an empty line between
        text += "12.45 7\r\r\n";
        text += "-12.45 -7\r\n";
        text += "-0.000 -0.000\r\n";  // zeros keep their sign
        text += "12.45 7.\r\n";
        text += ".45 7\r\n";
        text += "1234567890123456 1\r\n";  // 16 digits: past the fast shape
        text += "999999999999999 1\r\n";   // 15 digits: the largest it takes
        text += "0.99999999999999 1\r\n";
    }
    expectReadersMatchPlain(text, kMaxDataLines, "layouts");
}

TEST(LineGrammarReaders, RowsEndingAtBlockAndBufferBoundaries) {
    // Rows placed so that a line end (or the CR and LF of one) falls on each
    // side of every 64-byte block boundary and of the end of the bytes.
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        for (int pad = 0; pad < 70; ++pad) {
            std::string text(static_cast<std::size_t>(pad), ' ');
            text += lineEnd;  // a blank line of pad bytes
            for (int i = 0; i < 40; ++i) {
                text += std::to_string(100 + i * 7) + "." + std::to_string(i % 10) + " " + std::to_string(i * 13);
                text += lineEnd;
            }
            expectReadersMatchPlain(text, kMaxDataLines, "pad");
            // The bytes ending inside the last row, right after it, and
            // between the CR and LF of its line end.
            for (std::size_t cut = 1; cut <= 6 && cut < text.size(); ++cut)
                expectReadersMatchPlain(text.substr(0, text.size() - cut), kMaxDataLines, "cut end");
            if (HasFatalFailure()) return;
        }
    }
    // Short texts of every length up to beyond two blocks.
    std::string row = "532.117 1843.000\r\n";
    std::string text;
    while (text.size() < 200) {
        text += row;
        for (std::size_t n = 0; n <= text.size(); ++n) expectReadersMatchPlain(text.substr(0, n), kMaxDataLines, "short");
        if (HasFatalFailure()) return;
    }
}

TEST(LineGrammarReaders, LongLinesAndLongRows) {
    // Long rows with many digits or wide gaps, and long headers.
    std::string text = std::string(300, '#') + "\r\n";
    text += std::string(40, ' ') + "1 2\r\n";
    text += "1" + std::string(60, ' ') + "2\r\n";
    text += "123456789.123456 " + std::string(20, '\t') + "987654321.654321\r\n";
    for (int i = 0; i < 20; ++i) text += "1.5 2.5\r\n";
    expectReadersMatchPlain(text, kMaxDataLines, "long");
}

}  // namespace
}  // namespace halden
