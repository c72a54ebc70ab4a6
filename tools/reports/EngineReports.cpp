#include "EngineReports.h"

#include "CommandLine.h"
#include "foundation/TError.h"

#include <cstdio>

namespace tools {

std::string NextEngineReport() {
    TError::CommitPending();
    const TErrorRec* r = TError::NextPending(1);
    if (!r) return "";
    std::string line = (r->code < 100 ? "error " : "warning ") + std::to_string(r->code) + ": " +
                       TError::Lookup(r->code);
    if (r->object != "-") line += " (" + DisplayPath(r->object.c_str()) + ")";
    if (r->message != "-") line += std::string(": ") + r->message.c_str();
    return line;
}

int PrintEngineReports() {
    int count = 0;
    for (std::string line = NextEngineReport(); !line.empty(); line = NextEngineReport(), ++count)
        std::fprintf(stderr, "%s\n", line.c_str());
    return count;
}

} // namespace tools
