// The RLA container: opening, hostile directories, lazy decoding, the decoder
// registry, the write branch and the file stream.
#include "RlaMemoryStream.h"
#include "RlaStdioStream.h"
#include "RoomGlobals.h"
#include "TRlaFile.h"
#include "TempDir.h"
#include "WorldFixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using worldtest::SpriteRecord;

std::vector<uint8_t> Head(std::vector<uint8_t> bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

// A 2 x 1 sprite record: one opaque pixel after one skipped.
std::vector<uint8_t> SmallSprite() {
    std::vector<uint8_t> data;
    platform::ByteWriter w(data);
    w.U32(4);      // row 0 starts right after its offset word
    w.U16(0x0101); // skip 1, one pixel
    w.U16(0xF800);
    w.U16(0);
    return SpriteRecord(static_cast<uint32_t>(data.size()), 2, 1, data);
}

// A container written field by field: frame records, then the directory.
struct Container {
    std::vector<uint8_t> bytes;
    size_t Frame(uint32_t tag, const std::vector<uint8_t>& record) {
        const size_t at = bytes.size();
        platform::ByteWriter(bytes).U32(tag);
        bytes.insert(bytes.end(), record.begin(), record.end());
        return at;
    }
    // groups: per group its offsets; `length` overrides the directory length.
    std::vector<uint8_t> Finish(const std::vector<std::vector<int32_t>>& groups,
                                int64_t length = -1, int64_t groupCount = -1) {
        std::vector<uint8_t> out = bytes;
        platform::ByteWriter w(out);
        const size_t start = out.size();
        w.U32(static_cast<uint32_t>(groupCount >= 0 ? groupCount : groups.size()));
        for (const auto& g : groups) {
            w.U32(static_cast<uint32_t>(g.size()));
            for (int32_t o : g)
                w.S32(o);
        }
        w.U32(static_cast<uint32_t>(length >= 0 ? length : out.size() - start));
        return out;
    }
};

struct OpenCase {
    const char* name;
    std::vector<uint8_t> bytes;
    bool opens;
    std::vector<std::vector<bool>> frames; // per group: whether each frame decodes
};

std::vector<OpenCase> OpenCases() {
    std::vector<OpenCase> cases;
    cases.push_back({"empty file", {}, false, {}});
    cases.push_back({"short trailer", {0, 0, 0}, false, {}});
    cases.push_back({"four zero bytes", {0, 0, 0, 0}, true, {}});
    {
        Container c;
        const auto a = static_cast<int32_t>(c.Frame(0x00010001, SmallSprite()));
        const auto b = static_cast<int32_t>(c.Frame(0x00010002, SmallSprite()));
        cases.push_back({"sprites, -1 offsets and type 2",
                         c.Finish({{a, -1, b}, {}, {-1, a}}),
                         true,
                         {{true, false, false}, {}, {false, true}}});
        // A directory of 16 bytes of which the file keeps 12.
        std::vector<uint8_t> truncated = Container().Finish({{-1, -1}});
        truncated.erase(truncated.begin() + 8, truncated.begin() + 12);
        cases.push_back({"truncated directory", truncated, false, {}});
        const auto dirStart = static_cast<int32_t>(c.bytes.size());
        cases.push_back({"offsets outside the frame area are null",
                         c.Finish({{dirStart, -7, INT32_MAX, dirStart - 1, a}}),
                         true,
                         {{false, false, false, false, true}}});
        cases.push_back({"length past the file", c.Finish({{a}}, 5000), false, {}});
        cases.push_back({"length 0xFFFFFFFF", c.Finish({{a}}, 0xFFFFFFFF), false, {}});
        cases.push_back(
            {"group count past the directory", c.Finish({{a}}, -1, 1000000000), false, {}});
        cases.push_back({"group count 0xFFFFFFFF", c.Finish({{a}}, -1, 0xFFFFFFFF), false, {}});
        std::vector<uint8_t> frames = c.Finish({{a, a}});
        frames[c.bytes.size() + 4] = 0xFF; // frame count 0x...FF of a 2-entry group
        frames[c.bytes.size() + 7] = 0x7F;
        cases.push_back({"frame count past the directory", frames, false, {}});
    }
    return cases;
}

TEST(TRlaFile, OpensOrRefusesEachContainer) {
    for (const OpenCase& c : OpenCases()) {
        SCOPED_TRACE(c.name);
        RlaMemoryStream stream(c.bytes);
        TRlaFile file;
        ASSERT_EQ(file.Open(&stream), c.opens);
        EXPECT_EQ(file.GetState(), c.opens ? TRlaFile::Reading : TRlaFile::Closed);
        ASSERT_EQ(file.GroupCount(), static_cast<int32_t>(c.frames.size()));
        for (int32_t g = 0; g < file.GroupCount(); ++g) {
            ASSERT_EQ(file.FrameCount(g), static_cast<int32_t>(c.frames[g].size()));
            for (int32_t f = 0; f < file.FrameCount(g); ++f)
                EXPECT_EQ(file.GetFrame(g, f) != nullptr, c.frames[g][f]) << g << "," << f;
        }
        EXPECT_EQ(file.FrameCount(file.GroupCount()), 0);
        EXPECT_EQ(file.FrameCount(-1), 0);
        EXPECT_EQ(file.GetFrame(file.GroupCount(), 0), nullptr);
        EXPECT_EQ(file.GetFrame(0, -1), nullptr);
    }
}

// Counts the tags read, to see a failed decode being tried again.
class CountingStream : public RlaMemoryStream {
public:
    using RlaMemoryStream::RlaMemoryStream;
    uint32_t Read(void* buffer, uint32_t count) override {
        reads += count == 4;
        return RlaMemoryStream::Read(buffer, count);
    }
    int reads = 0;
};

TEST(TRlaFile, KeepsDecodedFramesAndRetriesFailedOnes) {
    Container c;
    const auto a = static_cast<int32_t>(c.Frame(0x00010001, SmallSprite()));
    const auto b = static_cast<int32_t>(c.Frame(0x00010002, SmallSprite()));
    CountingStream stream(c.Finish({{a, b}}));
    TRlaFile file;
    ASSERT_TRUE(file.Open(&stream));
    RlaFrame* first = file.GetFrame(0, 0);
    ASSERT_NE(first, nullptr);
    const int afterFirst = stream.reads;
    EXPECT_EQ(file.GetFrame(0, 0), first);
    EXPECT_EQ(stream.reads, afterFirst);
    EXPECT_EQ(file.GetFrame(0, 1), nullptr);
    EXPECT_EQ(file.GetFrame(0, 1), nullptr);
    EXPECT_EQ(stream.reads, afterFirst + 2); // the type-2 tag is read again
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.GetFrame(0, 0), nullptr);
    EXPECT_EQ(file.GroupCount(), 0);
}

TEST(TRlaFile, RefusesHostileSpriteRecordsAsNullFrames) {
    // Each record hangs off a valid container; the frame must come back null.
    auto rows = [](std::initializer_list<uint16_t> words, uint32_t offset = 4) {
        std::vector<uint8_t> d;
        platform::ByteWriter w(d);
        w.U32(offset);
        for (uint16_t v : words)
            w.U16(v);
        return d;
    };
    const std::vector<uint8_t> good = rows({0x0101, 0xF800, 0});
    const struct {
        const char* name;
        std::vector<uint8_t> record;
    } cases[] = {
        {"width negative", SpriteRecord(10, -2, 1, good)},
        {"height past 32767", SpriteRecord(10, 2, 40000, good)},
        {"size past the file", SpriteRecord(0x7FFFFFFF, 2, 1, good)},
        {"size below the row table", SpriteRecord(2, 2, 1, good)},
        {"row offset past the data", SpriteRecord(10, 2, 1, rows({0x0101, 0xF800, 0}, 9))},
        {"run past the data", SpriteRecord(8, 2, 1, rows({0x0201, 0xF800}))},
        {"row without end word", SpriteRecord(8, 2, 1, rows({0x0101, 0xF800}))},
        {"row past the width", SpriteRecord(10, 1, 1, good)},
        {"skips past the width", SpriteRecord(8, 2, 1, rows({0x0003, 0}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Container file;
        const auto at = static_cast<int32_t>(file.Frame(0x00010001, c.record));
        RlaMemoryStream stream(file.Finish({{at}}));
        TRlaFile rla;
        ASSERT_TRUE(rla.Open(&stream));
        EXPECT_EQ(rla.GetFrame(0, 0), nullptr);
    }
    EXPECT_NE(worldtest::LoadSprite(SpriteRecord(10, 2, 1, good)), nullptr);
    EXPECT_EQ(worldtest::LoadSprite(Head(SmallSprite(), 20)), nullptr); // header cut by the end
    EXPECT_EQ(worldtest::LoadSprite(Head(SmallSprite(), 29)), nullptr); // data cut by the end
}

RlaFrame* DecodeTag(RlaStream*, uint32_t version) {
    auto* sprite = new RleSprite16;
    sprite->reserved = version;
    return sprite;
}

TEST(TRlaFile, RegistryDecodesRegisteredTypesAndKeepsTheSprite) {
    ASSERT_TRUE(TRlaFile::RegisterDecoder(&DecodeTag, 9));
    EXPECT_FALSE(TRlaFile::RegisterDecoder(&DecodeTag, 70000));
    Container c;
    const auto a = static_cast<int32_t>(c.Frame(0x00050009, {}));
    const auto b = static_cast<int32_t>(c.Frame(0x00010001, SmallSprite()));
    RlaMemoryStream stream(c.Finish({{a, b}}));
    TRlaFile file;
    ASSERT_TRUE(file.Open(&stream));
    auto* custom = static_cast<RleSprite16*>(file.GetFrame(0, 0));
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->reserved, 5u); // the tag's high word
    TRlaFile::UnregisterDecoder();
    TRlaFile::UnregisterDecoder(); // more than registered: the sprite type stays
    EXPECT_NE(file.GetFrame(0, 1), nullptr);
}

TEST(TRlaFile, WriteBranchGivesTheWritersBytes) {
    std::mt19937 rng(11);
    tools::RlaWriter writer;
    for (int i = 0; i < 3; ++i)
        writer.AddSprite(i == 2 ? 2 : 0, worldtest::RandomImage(rng, 17 + i * 60, 9, 300), i * 3,
                         -i, 77 + i);
    writer.AddEmpty(0);
    writer.AddEmpty(2);
    const std::vector<uint8_t> expected = writer.Finish();

    RlaMemoryStream in(expected);
    TRlaFile reader;
    ASSERT_TRUE(reader.Open(&in));
    RlaMemoryStream out;
    TRlaFile written;
    ASSERT_TRUE(written.BeginWrite(&out));
    EXPECT_EQ(written.GetState(), TRlaFile::Writing);
    for (int32_t g = 0; g < reader.GroupCount(); ++g)
        for (int32_t f = 0; f < reader.FrameCount(g); ++f)
            ASSERT_TRUE(written.AppendFrame(g, reader.GetFrame(g, f)));
    ASSERT_TRUE(written.Close());
    EXPECT_EQ(out.Bytes(), expected);
}

TEST(TRlaFile, SpriteConvertedTo555IsNotSaved) {
    Display555() = 1;
    auto sprite = worldtest::LoadSprite(SmallSprite());
    Display555() = 0;
    ASSERT_NE(sprite, nullptr);
    RlaMemoryStream out;
    EXPECT_FALSE(sprite->Save(&out));
    TRlaFile file;
    ASSERT_TRUE(file.BeginWrite(&out));
    EXPECT_FALSE(file.AppendFrame(0, sprite.get()));
    ASSERT_TRUE(file.Close());
    // Only the directory was written: one empty group.
    EXPECT_EQ(out.Bytes(), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}));
}

TEST(RlaStdioStream, OpensResourceNamesAndKeepsItsPosition) {
    testsupport::TempDir dir;
    Container c;
    const auto a = static_cast<int32_t>(c.Frame(0x00010001, SmallSprite()));
    const std::vector<uint8_t> bytes = c.Finish({{a}});
    dir.Write("Int/All/Room.RLA", bytes);
    RlaStdioStream stream;
    EXPECT_FALSE(stream.Open(nullptr, "rb"));
    ASSERT_TRUE(stream.Open((dir.Path().string() + "\\INT\\all\\room.rla").c_str(), "rb"));
    ASSERT_TRUE(stream.Seek(6));
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(stream.Tell(), 6);
    TRlaFile file;
    ASSERT_TRUE(file.Open(&stream));
    EXPECT_NE(file.GetFrame(0, 0), nullptr);
    file.Close();
    stream.Close();
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(stream.Open((dir.Path().string() + "\\missing.rla").c_str(), "rb"));
}

} // namespace
