// Refusing an output file that is one of the command's input files, or that
// two outputs share: "colour b.txt --report b.txt" would otherwise replace
// the spectrum it reads with its report.
#pragma once

#include <string>
#include <vector>

namespace halden::cli {

// Empty when every output names a file of its own; otherwise the refusal,
// naming both paths. Two paths are the same file when they reach one file,
// also through another spelling, a symbolic link or a hard link. Empty
// strings (an output that was not asked for) are left out.
std::string outputClash(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

}  // namespace halden::cli
