// The file module: the directory search that tells whether a report name is taken.
#pragma once

#include <string>

namespace DosN {

// The name of the first directory entry of any kind that matches the pattern, cut to 255
// characters; empty when none does or the search fails.
std::string FirstMatch(const std::string& pattern);

}  // namespace DosN
