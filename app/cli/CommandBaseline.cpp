// halden-cli baseline: baseline correction of a spectrum text file.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "files/AtomicFile.h"
#include "spectrum/Baseline.h"
#include "spectrum/DialogText.h"

namespace halden::cli {
namespace {

constexpr const char* kBaselineUsage =
    "Usage: halden-cli baseline FILE [--window W] [--iterations N] -o OUT\n\n"
    "Removes a slowly varying baseline from the spectrum in FILE (a spectrum text\n"
    "file; the first two numbers of every data line are x and y) and writes the\n"
    "corrected spectrum to OUT, one \"x y\" row per point (\"%.3f %.3f\", CR LF).\n\n"
    "  --window W      smoothing window in points (default 50; odd values count as\n"
    "                  the next even one)\n"
    "  --iterations N  smoothing passes (default 100)\n"
    "  -o, --output OUT  the file to write (replaced atomically)\n";

constexpr long long kMaxWindow = 1000000;
constexpr long long kMaxIterations = 1000000;

}  // namespace

int runBaseline(const Args& args)
{
    if (args.empty() || wantsHelp(args)) {
        std::fputs(kBaselineUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string file, output;
    long long window = 50, iterations = 100;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--window" || a == "--iterations") {
            if (!hasValue) return fail(a + " needs a number");
            const auto v = parseWholeInteger(args[++i]);
            const long long limit = a == "--window" ? kMaxWindow : kMaxIterations;
            if (!v || *v < 0 || *v > limit)
                return fail(a + " needs a whole number from 0 to " + std::to_string(limit) + ", not '" +
                            args[i] + "'");
            (a == "--window" ? window : iterations) = *v;
        } else if (a == "-o" || a == "--output") {
            if (!hasValue) return fail(a + " needs a file name");
            output = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return fail("baseline: unknown option '" + a + "' (see halden-cli baseline --help)");
        } else if (file.empty()) {
            file = a;
        } else {
            return fail("baseline takes one spectrum file, not '" + a + "' as well");
        }
    }
    if (file.empty()) return fail("baseline needs a spectrum file (see halden-cli baseline --help)");
    if (output.empty()) return fail("baseline needs an output file (-o OUT)");
    if (const std::string clash = outputClash({file}, {output}); !clash.empty()) return fail(clash);

    SpectrumInput in = readSpectrumInput(file);
    if (!in.ok()) return fail(in.error);
    const int last = static_cast<int>(in.y.size()) - 1;
    estimateBaseline(in.y.data(), last, window, iterations);

    std::string text;
    text.reserve(in.y.size() * 24);
    for (std::size_t i = 0; i < in.y.size(); ++i)
        text += formatFixed(in.x[i], 3) + " " + formatFixed(in.y[i], 3) + "\r\n";
    if (const WriteResult w = writeFileAtomically(output, text); !w.ok)
        return fail("cannot write '" + output + "': " + w.error);
    return 0;
}

}  // namespace halden::cli
