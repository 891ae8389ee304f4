// Reading JCAMP-DX spectra (versions 4.24 to 5.01): labelled data records
// "##LABEL=value", "$$" comments, and the spectrum as ##XYPOINTS=(XY..XY)
// or ##XYDATA=(X++(Y..Y)) in AFFN numbers (free-format decimals separated by
// blanks or commas, or by their own signs). XFACTOR and YFACTOR scale the
// values; the abscissa of an (X++(Y..Y)) line's later values steps by
// (LASTX - FIRSTX) / (NPOINTS - 1). A compound file (##DATA TYPE=LINK) gives
// one spectrum per block. Compressed ordinates (SQZ, DIF, DUP) are refused
// with a message that says so.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace halden {

struct JcampBlock {
    std::string title;
    std::vector<double> x, y;
    // Every label of the block in order, names as written (without "##"),
    // values trimmed; user labels keep their "$".
    std::vector<std::pair<std::string, std::string>> labels;

    // A label's value by name, compared as JCAMP-DX compares them (case,
    // blanks, '-', '/' and '_' ignored); empty when absent.
    std::string label(std::string_view name) const;
};

struct JcampFile {
    std::vector<JcampBlock> blocks;  // those holding a spectrum, in file order
    std::string error;               // not empty: nothing usable, and why
    bool ok() const { return error.empty(); }
};

JcampFile parseJcamp(std::string_view text);

// A JCAMP-DX file by its name (".jdx", ".dx", ".jcamp", any case) or its
// text (the first label is ##TITLE=).
bool isJcampFile(const std::string& path, std::string_view text);

}  // namespace halden
