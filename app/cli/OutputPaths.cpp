#include "cli/OutputPaths.h"

#include <filesystem>
#include <system_error>

namespace halden::cli {
namespace {

namespace fs = std::filesystem;

// The path with every link and "." or ".." of its existing part resolved.
fs::path resolved(const std::string& path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return fs::path(path).lexically_normal();
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : canonical;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    // Both exist: the file system knows (hard links included).
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    return resolved(a) == resolved(b);
}

}  // namespace

std::string outputClash(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs)
{
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        if (outputs[o].empty()) continue;
        for (const std::string& input : inputs)
            if (!input.empty() && sameFile(input, outputs[o]))
                return "the output '" + outputs[o] + "' is the input file '" + input +
                       "'; choose another output file (nothing was written)";
        for (std::size_t p = 0; p < o; ++p)
            if (!outputs[p].empty() && sameFile(outputs[p], outputs[o]))
                return "the outputs '" + outputs[p] + "' and '" + outputs[o] +
                       "' are the same file; choose two files (nothing was written)";
    }
    return {};
}

}  // namespace halden::cli
