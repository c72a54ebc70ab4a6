// The RLA picture container: typed frames in numbered groups, with the
// directory at the end of the file. Opening reads only the directory; a frame
// is decoded the first time it is asked for, through a process-wide registry
// of decoders by frame type, and kept until the container closes.
//
// File layout (little-endian 32-bit words): frame records anywhere, each a tag
// then its data; the directory (group count, then per group its frame count
// and absolute frame offsets, -1 for none); last, the directory's byte length.
#pragma once

#include "GrowArray.h"
#include "RlaFrame.h"
#include "RlaStream.h"

#include "foundation/TObject.h"

#include <cstdint>

using RlaDecoder = RlaFrame* (*)(RlaStream* stream, uint32_t version);

struct RlaFrameEntry {
    RlaFrame* frame; // null until decoded
    int32_t offset;  // -1: no record
};

class RlaGroup : public TObject {
public:
    GrowArray<RlaFrameEntry> entries;
};

class TRlaFile : public TObject {
public:
    enum State : int32_t { Writing = 0, Reading = 1, Closed = 2 };

    TRlaFile() = default;
    ~TRlaFile() override;
    TRlaFile(const TRlaFile&) = delete;
    TRlaFile& operator=(const TRlaFile&) = delete;

    // Reads the directory. A trailer, group count or frame count that does not
    // fit the file refuses the container: false, closed and empty. Offsets
    // outside the frame area become entries without a record.
    bool Open(RlaStream* stream);
    // Null unless open for reading.
    RlaFrame* GetFrame(int32_t group, int32_t index);
    int32_t GroupCount() const { return groups_.Count(); }
    int32_t FrameCount(int32_t group) const;
    // The entry's file offset, -1 for none or an index out of range.
    int32_t FrameOffset(int32_t group, int32_t index) const;
    int32_t GetState() const { return state_; }
    // Writes the directory when writing (false when a write fails), deletes
    // every decoded frame and forgets the stream. The stream belongs to its owner.
    bool Close();

    // The writing side: frames are appended at the stream's position, each as
    // its tag and record; Close writes the directory behind them.
    bool BeginWrite(RlaStream* stream);
    // A null frame appends an entry without a record. The frame stays the caller's.
    bool AppendFrame(int32_t group, RlaFrame* frame);

    static bool RegisterDecoder(RlaDecoder decoder, int32_t type);
    static void UnregisterDecoder();
    // Reads a tag at the stream's position and decodes its frame; null when
    // the type has no decoder or the record is refused.
    static RlaFrame* DecodeFrame(RlaStream* stream);

private:
    bool ReadDirectory();
    bool ParseDirectory(const uint8_t* bytes, uint32_t size, uint32_t frameArea);
    bool WriteDirectory();
    RlaGroup* GroupAt(int32_t group);

    GrowArray<RlaGroup*> groups_;
    RlaStream* stream_ = nullptr;
    int32_t state_ = Closed;
};
