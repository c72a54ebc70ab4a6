// The row kernels of delta animations. A frame is `height` rows of `words`
// 32-bit words (the row's pixel bytes, the last word padded with zeros); a
// row is stored as run words, each `changed << 16 | skipped`, the changed
// words behind each run word, and a closing 0 word. Runs are checked against
// their row and the frame's bytes before anything is applied.
#pragma once

#include <cstddef>
#include <cstdint>

class TDeltaCodec {
public:
    // Words of a row of `rowBytes` bytes, rounded up.
    static int64_t RowWords(int64_t rowBytes) { return (rowBytes + 3) / 4; }
    // Bytes one row of a frame can take at most when encoded.
    static int64_t MaxRowBytes(int64_t words) { return 4 * words + 8; }

    // Encodes row `current` (`rowBytes` bytes) against `previous` (`words`
    // words, updated to the current row) into `out`; returns the words
    // written. `full` stores the whole row as one changed run.
    static size_t EncodeRow(const uint8_t* current, int32_t rowBytes, uint32_t* previous,
                            int32_t words, bool full, uint32_t* out);

    // True when `bytes` bytes hold `height` rows whose runs stay inside a row
    // of `words` words and inside the bytes.
    static bool CheckFrame(const uint8_t* data, size_t bytes, int32_t height, int32_t words);
    // Applies a checked frame to `previous` (`height` rows of `words` words)
    // and, with `picture`, copies each row's first `rowBytes` bytes there, one
    // row after the other.
    static void ApplyFrame(const uint8_t* data, int32_t height, int32_t words, uint32_t* previous,
                           uint8_t* picture = nullptr, size_t rowBytes = 0);
};
