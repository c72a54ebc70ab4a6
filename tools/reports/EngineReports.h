// The engine's error reports, as the programs print them for a user: the
// code, the design's text and object (paths with slashes), and the reader's
// own reason where the engine passed one on, since the design's texts name
// only the kind of file ("That cursor file cannot be found" also for a file
// that exists but is no cursor).
#pragma once

#include <string>

namespace tools {

// The next pending report ("error 38: That cursor file cannot be found.
// (/data/a.cur): Invalid cursor file"), marked as told; empty when none is
// pending. Held reports count as pending.
std::string NextEngineReport();

// Writes every pending report to stderr, one a line; how many there were.
int PrintEngineReports();

} // namespace tools
