#include "DosN/DosN.h"

#include "platform/os.h"

namespace DosN {

std::string FirstMatch(const std::string& pattern) {
    std::string name;
    if (!platform::FindFirstEntry(pattern.c_str(), name)) return {};
    if (name.size() > 255) name.resize(255);
    return name;
}

}  // namespace DosN
