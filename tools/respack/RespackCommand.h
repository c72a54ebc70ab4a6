// respack: packs and unpacks the engine's packed data and text resources.
//
//   respack pack   --method lzw|lzw16 [--clear-every N] [--no-leading-clear] IN OUT
//   respack unpack --method lzw|lzw16 IN OUT
//   respack ctf    --method stored|lzw|lzw16 IN OUT    (a text file into a CTF file)
//   respack unctf  IN OUT                              (a CTF file back into text)
//   respack sections OUT NAME=FILE...                  (a sectioned text from files)
//
// Unpacking goes through the engine's own decoders and text loader, so what
// respack reads back is what the game reads. Needs the engine library.
#pragma once

namespace tools {

// The whole program; returns its exit code (0 done, 1 failed, 2 usage).
int RunRespack(int argc, char** argv);

} // namespace tools
