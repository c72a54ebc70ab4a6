// Fuzzes the folder search's pattern matcher: any pattern bytes against any
// name, split at the first NUL byte. Besides hangs and bad reads, every
// answer is compared with a plain table-driven matcher of the same rules:
// '*' any run, '?' any one byte, ASCII letters without regard to case,
// "*.*" everything.
#include "platform/FindFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

unsigned char Fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool Reference(const std::string& p, const std::string& n) {
    if (p == "*.*") return true;
    // at[i][j]: the pattern from i matches the name from j.
    std::vector<std::vector<char>> at(p.size() + 1, std::vector<char>(n.size() + 1, 0));
    at[p.size()][n.size()] = 1;
    for (size_t i = p.size(); i-- > 0;)
        for (size_t j = n.size() + 1; j-- > 0;) {
            const unsigned char pc = static_cast<unsigned char>(p[i]);
            if (pc == '*') {
                at[i][j] = at[i + 1][j] || (j < n.size() && at[i][j + 1]);
            } else if (j < n.size()) {
                const unsigned char nc = static_cast<unsigned char>(n[j]);
                at[i][j] = (pc == '?' || Fold(pc) == Fold(nc)) && at[i + 1][j + 1];
            }
        }
    return at[0][0] != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t cut = bytes.find('\0');
    const std::string pattern = bytes.substr(0, cut);
    const std::string name = cut == std::string::npos ? std::string() : bytes.substr(cut + 1);
    // The name as the search would hold it: up to its own first NUL.
    const std::string held = name.substr(0, name.find('\0'));
    const bool got = platform::MatchesPattern(pattern.c_str(), held.c_str());
    if (got != Reference(pattern, held)) __builtin_trap();
    return 0;
}
