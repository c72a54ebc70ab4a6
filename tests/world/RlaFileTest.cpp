// The RLA container: opening, hostile directories, lazy decoding, the decoder
// registry, the write branch and the file stream.

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "RlaStdioStream.h"
#include "RlaWriter.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "TRlaFile.h"
#include "TempDir.h"
#include "WorldFixtures.h"

#include <gtest/gtest.h>

#include <functional>
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

// The RLA container, the sprite record and the RLA writer checked against
// containers written byte by byte here: trailer and directory rules, hostile
// counts and offsets, lazy decoding, the registry, the write branch, record
// checks, 5:5:5 loading, saving, opacity at run ends, the file stream.
namespace {
namespace rlacheck {

using check::Bytes;
using check::Put16;
using check::Put32;

constexpr uint32_t kSpriteTag = 0x00010001;

// A 3 x 2 sprite: row 0 skips 1 then two pixels, row 1 is transparent.
check::Grid Small() {
    return {3, 2, {-1, 0xF800, 0x001F, -1, -1, -1}};
}

// Counts reads, so that decoding once can be seen.
class CountingStream : public RlaMemoryStream {
public:
    explicit CountingStream(check::Bytes b) : RlaMemoryStream(std::move(b)) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        ++reads;
        return RlaMemoryStream::Read(buffer, count);
    }
    int reads = 0;
};

Bytes WithTrailer(Bytes dir, uint32_t length, size_t frameBytes = 0) {
    Bytes out(frameBytes, 0);
    out.insert(out.end(), dir.begin(), dir.end());
    Put32(out, length);
    return out;
}

TEST(RlaCheck, TrailerAndDirectoryFitTheFileOrTheContainerIsRefused) {
    const auto dir = [](std::initializer_list<uint32_t> words) {
        Bytes b;
        for (uint32_t w : words)
            Put32(b, w);
        return b;
    };
    struct Case {
        const char* name;
        Bytes file;
        bool opens;
        int32_t groups;
    } cases[] = {
        {"empty", {}, false, 0},
        {"three bytes", {0, 0, 0}, false, 0},
        {"length 0", {0, 0, 0, 0}, true, 0},
        {"length 0 after frames", WithTrailer({}, 0, 40), true, 0},
        {"length past the file", WithTrailer(dir({0}), 5), false, 0},
        {"length all ones", WithTrailer(dir({0}), 0xFFFFFFFF), false, 0},
        {"length 2^31", WithTrailer(dir({0}), 0x80000000), false, 0},
        {"directory at byte 0", WithTrailer(dir({1, 1, 0}), 12), true, 1},
        {"one empty group", WithTrailer(dir({1, 0}), 8), true, 1},
        {"slack after the directory", WithTrailer(dir({1, 0, 7, 7}), 16), true, 1},
        {"groups past the bytes", WithTrailer(dir({2, 0}), 8), false, 0},
        {"huge group count", WithTrailer(dir({0xFFFFFFF0, 0}), 8), false, 0},
        {"frames past the bytes", WithTrailer(dir({1, 2, 0}), 12), false, 0},
        {"huge frame count", WithTrailer(dir({1, 0x40000000, 0}), 12), false, 0},
        {"second group cut", WithTrailer(dir({2, 1, 0}), 12), false, 0},
        {"length 3: G cut", WithTrailer({1, 0, 0}, 3), false, 0},
    };
    for (const Case& c : cases) {
        RlaMemoryStream stream(c.file);
        TRlaFile file;
        EXPECT_EQ(file.Open(&stream), c.opens) << c.name;
        EXPECT_EQ(file.GroupCount(), c.groups) << c.name;
        EXPECT_EQ(file.GetState(), c.opens ? TRlaFile::Reading : TRlaFile::Closed) << c.name;
        EXPECT_EQ(file.GetFrame(0, 0), nullptr) << c.name;
        EXPECT_EQ(file.FrameCount(c.groups), 0) << c.name;
        EXPECT_EQ(file.FrameCount(-1), 0) << c.name;
    }
}

TEST(RlaCheck, OffsetsOutsideTheFrameAreaAreEntriesWithoutARecord) {
    check::ContainerBytes c;
    const int32_t good = c.Add(0, kSpriteTag, check::SpriteRecord(Small()));
    const auto area = static_cast<int32_t>(c.bytes.size());
    for (int32_t offset : {-1, -2, INT32_MIN, area, area + 4, INT32_MAX})
        c.AddOffset(0, offset);
    c.AddOffset(1, area - 2); // inside the area: a tag that reads past it is just refused
    c.AddOffset(1, good);
    CountingStream stream(c.Finish());
    TRlaFile file;
    ASSERT_TRUE(file.Open(&stream));
    ASSERT_EQ(file.GroupCount(), 2);
    ASSERT_EQ(file.FrameCount(0), 7);
    EXPECT_EQ(file.FrameOffset(0, 0), good);
    for (int32_t i = 1; i < 7; ++i) {
        EXPECT_EQ(file.FrameOffset(0, i), -1) << i;
        EXPECT_EQ(file.GetFrame(0, i), nullptr) << i;
    }
    EXPECT_EQ(file.GetFrame(1, 0), nullptr);
    // One record decoded twice through two entries gives two frames, each kept.
    RlaFrame* a = file.GetFrame(0, 0);
    RlaFrame* b = file.GetFrame(1, 1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    const int reads = stream.reads;
    EXPECT_EQ(file.GetFrame(0, 0), a);
    EXPECT_EQ(stream.reads, reads);
    for (auto [g, i] : {std::pair{-1, 0}, {0, -1}, {0, 7}, {2, 0}, {INT32_MAX, 0}})
        EXPECT_EQ(file.GetFrame(g, i), nullptr) << g << " " << i;
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.GetFrame(0, 0), nullptr);
    EXPECT_EQ(file.GroupCount(), 0);
}

RlaFrame* DecodeType2(RlaStream* stream, uint32_t version) {
    auto* sprite = static_cast<RleSprite16*>(RleSprite16::Decode(stream, version));
    if (sprite) sprite->reserved = 0xABCD0000 | version;
    return sprite;
}

TEST(RlaCheck, UnknownTypeIsNullAndReadAgainOnTheNextRequest) {
    check::ContainerBytes c;
    c.Add(0, 0x00070002, check::SpriteRecord(Small())); // type 2, version 7
    c.Add(0, 0x00000000, check::SpriteRecord(Small())); // type 0
    c.Add(0, 0x0001FFFF, check::SpriteRecord(Small())); // type 65535
    RlaMemoryStream stream(c.Finish());
    TRlaFile file;
    ASSERT_TRUE(file.Open(&stream));
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(file.GetFrame(0, i), nullptr) << i;
    ASSERT_TRUE(TRlaFile::RegisterDecoder(&DecodeType2, 2));
    auto* frame = static_cast<RleSprite16*>(file.GetFrame(0, 0));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->reserved, 0xABCD0007u); // the tag's high word reached the decoder
    EXPECT_EQ(frame->width, 3);
    ASSERT_TRUE(TRlaFile::RegisterDecoder(nullptr, 2));
    TRlaFile::UnregisterDecoder();
    TRlaFile::UnregisterDecoder();
    // The sprite type stays registered whatever the others do.
    RlaMemoryStream again(c.Finish());
    file.Close();
    ASSERT_TRUE(file.Open(&again));
    EXPECT_EQ(file.GetFrame(0, 0), nullptr);
    check::ContainerBytes d;
    d.Add(0, kSpriteTag, check::SpriteRecord(Small()));
    RlaMemoryStream third(d.Finish());
    ASSERT_TRUE(file.Open(&third)); // opening again drops the other container
    EXPECT_NE(file.GetFrame(0, 0), nullptr);
}

// The header fields and data of a loaded sprite against the grid it was made from.
void ExpectSprite(const RleSprite16& s, const check::Grid& g, const char* name) {
    ASSERT_EQ(s.width, g.width) << name;
    ASSERT_EQ(s.height, g.height) << name;
    for (int32_t y = 0; y < g.height; ++y)
        for (int32_t x = 0; x < g.width; ++x)
            ASSERT_EQ(s.IsOpaqueAt(x, y), g.At(x, y) >= 0) << name << " " << x << "," << y;
}

std::unique_ptr<RleSprite16> Load(const Bytes& record) {
    RlaMemoryStream stream(record);
    auto sprite = std::make_unique<RleSprite16>();
    if (!sprite->Load(&stream, 1)) return nullptr;
    return sprite;
}

// Data blocks built by hand: `words` 16-bit words after the row table.
Bytes Rows(std::initializer_list<uint32_t> offsets, std::initializer_list<uint16_t> words) {
    Bytes b;
    for (uint32_t o : offsets)
        Put32(b, o);
    for (uint16_t w : words)
        Put16(b, w);
    return b;
}

TEST(RlaCheck, SpriteRecordsAreCheckedOnceAtLoad) {
    const Bytes ok = Rows({4}, {0x0101, 0x1234, 0});
    const auto size = [](const Bytes& b) { return static_cast<uint32_t>(b.size()); };
    struct Case {
        const char* name;
        Bytes record;
        bool loads;
        bool endsWithTheFile = false; // in a container it would read the directory
    } cases[] = {
        {"well formed", check::RawRecord(size(ok), 2, 1, ok), true},
        {"header cut", Bytes(23, 0), false, true},
        {"empty sprite", check::RawRecord(0, 0, 0, {}), true},
        {"width -1", check::RawRecord(size(ok), -1, 1, ok), false},
        {"width 32768", check::RawRecord(size(ok), 32768, 1, ok), false},
        {"width 32767", check::RawRecord(size(ok), 32767, 1, ok), true},
        {"height -1", check::RawRecord(0, 2, -1, {}), false},
        {"height 32768", check::RawRecord(4 * 32768, 2, 32768, {}), false},
        {"size past the file", check::RawRecord(size(ok) + 1, 2, 1, ok), false, true},
        {"size 2^32-1", check::RawRecord(0xFFFFFFFF, 2, 1, ok), false},
        {"size below the row table", check::RawRecord(4, 2, 2, Rows({8, 4}, {0, 0})), false},
        {"row of an end word", check::RawRecord(8, 2, 1, Rows({4}, {0, 0})), true},
        {"row offset out", check::RawRecord(8, 2, 1, Rows({7}, {0, 0})), false},
        {"row offset huge", check::RawRecord(8, 2, 1, Rows({0xFFFFFFFE}, {0, 0})), false},
        {"no end word", check::RawRecord(8, 2, 1, Rows({4}, {0x0101, 0x1234})), false},
        {"pixels past the block", check::RawRecord(8, 2, 1, Rows({4}, {0x0200, 0x1234})), false},
        {"run past the width", check::RawRecord(10, 2, 1, Rows({4}, {0x0102, 0x1234, 0})), false},
        {"skip past the width", check::RawRecord(8, 2, 1, Rows({4}, {0x0003, 0})), false},
        {"skip to the width", check::RawRecord(8, 2, 1, Rows({4}, {0x0002, 0})), true},
        {"odd row start", check::RawRecord(12, 2, 1, Rows({5}, {0x01EE, 0x3401, 0x0012, 0})), true},
        {"rows share runs", check::RawRecord(14, 2, 2, Rows({8, 4}, {0x0101, 0x1234, 0})), true},
        {"row in the row table", check::RawRecord(4, 2, 1, Rows({0}, {})), true},
        {"zero-count run, no end", check::RawRecord(10, 4, 1, Rows({4}, {0x0002, 0x0101, 0x1234})),
         false},
        {"zero-count run ended", check::RawRecord(12, 3, 1, Rows({4}, {0x0001, 0x0101, 0x1234, 0})),
         true},
    };
    for (const Case& c : cases) {
        for (uint8_t format : {0, 1}) {
            Display555() = format;
            const auto sprite = Load(c.record);
            EXPECT_EQ(sprite != nullptr, c.loads) << c.name << " 555=" << int{format};
            // The decoder gives the same answer through a container.
            if (c.endsWithTheFile) continue;
            check::ContainerBytes cb;
            cb.Add(0, kSpriteTag, c.record);
            RlaMemoryStream stream(cb.Finish());
            TRlaFile file;
            ASSERT_TRUE(file.Open(&stream));
            EXPECT_EQ(file.GetFrame(0, 0) != nullptr, c.loads) << c.name;
        }
    }
    Display555() = 0;
}

TEST(RlaCheck, RecordsOfTheFormatsCornersLoadAndAnswerOpacity) {
    std::mt19937 rng(8);
    check::Grid wide{700, 3, std::vector<int32_t>(2100, -1)};
    for (int32_t x = 0; x < 700; ++x) {
        wide.px[static_cast<size_t>(x)] = x < 600 ? -1 : x;      // 600 skipped, then 100
        wide.px[700 + static_cast<size_t>(x)] = 0x07E0;          // one opaque run of 700
        wide.px[1400 + static_cast<size_t>(x)] = x % 2 ? x : -1; // single pixels
    }
    const check::Grid grids[] = {Small(), wide, check::RandomGrid(rng, 37, 11, 9),
                                 check::RandomGrid(rng, 300, 4, 280)};
    for (const check::Grid& g : grids)
        for (uint32_t pad : {0u, 1u, 3u}) {
            const auto sprite = Load(check::SpriteRecord(g, pad, -5, 7, 99));
            ASSERT_NE(sprite, nullptr) << g.width << " pad " << pad;
            ExpectSprite(*sprite, g, "grid");
            EXPECT_EQ(sprite->x, -5);
            EXPECT_EQ(sprite->y, 7);
            EXPECT_EQ(sprite->reserved, 99u);
            EXPECT_FALSE(sprite->IsOpaqueAt(-1, 0));
            EXPECT_FALSE(sprite->IsOpaqueAt(g.width, 0));
        }
}

TEST(RlaCheck, LoadingFor555DropsTheLowGreenBitOfEveryOpaquePixelOnce) {
    const uint16_t cases[][2] = {{0xFFFF, 0x7FFF}, {0x07E0, 0x03E0}, {0x07C0, 0x03E0},
                                 {0x07E1, 0x03E1}, {0x0020, 0x0000}, {0x0040, 0x0020},
                                 {0xF800, 0x7C00}, {0x001F, 0x001F}, {0x8421, 0x4201}};
    for (const auto& c : cases) {
        // Two rows sharing one run: the pixel is converted once.
        const Bytes data = Rows({8, 4}, {0x0101, c[0], 0});
        Display555() = 1;
        const auto sprite = Load(check::RawRecord(static_cast<uint32_t>(data.size()), 2, 2, data));
        Display555() = 0;
        ASSERT_NE(sprite, nullptr);
        const uint8_t* p = sprite->Data() + 10;
        EXPECT_EQ(p[0] | p[1] << 8, c[1]) << std::hex << c[0];
        EXPECT_TRUE(sprite->Is555());
        // Nothing else of the block changed.
        EXPECT_EQ(sprite->Data()[8], 0x01);
        EXPECT_EQ(sprite->Data()[9], 0x01);
    }
}

TEST(RlaCheck, ASpriteWhoseLoadFailsIsEmpty) {
    const Bytes good = check::SpriteRecord(Small(), 0, 4, 5, 6);
    const Bytes bad = check::RawRecord(8, 2, 1, Rows({4}, {0x0003, 0})); // row past the width
    const Bytes cut(good.begin(), good.end() - 1);
    for (const Bytes& record : {bad, cut}) {
        RlaMemoryStream first(good), second(record);
        RleSprite16 sprite;
        ASSERT_TRUE(sprite.Load(&first, 1));
        EXPECT_FALSE(sprite.Load(&second, 1));
        EXPECT_EQ(sprite.width, 0);
        EXPECT_EQ(sprite.height, 0);
        EXPECT_EQ(sprite.dataSize, 0u);
        EXPECT_EQ(sprite.Data(), nullptr);
    }
}

TEST(RlaCheck, SaveWritesTheRecordBackUnless555) {
    std::mt19937 rng(4);
    const Bytes record = check::SpriteRecord(check::RandomGrid(rng, 40, 6, 7), 1, 3, -4, 0x55AA);
    const auto sprite = Load(record);
    ASSERT_NE(sprite, nullptr);
    RlaMemoryStream out;
    ASSERT_TRUE(sprite->Save(&out));
    EXPECT_EQ(out.Bytes(), record);
    EXPECT_EQ(sprite->Tag(), kSpriteTag);
    Display555() = 1;
    const auto converted = Load(record);
    Display555() = 0;
    ASSERT_NE(converted, nullptr);
    RlaMemoryStream refused;
    EXPECT_FALSE(converted->Save(&refused));
    // Loading again at 5:6:5 makes it savable again.
    RlaMemoryStream again(record);
    ASSERT_TRUE(converted->Load(&again, 1));
    EXPECT_FALSE(converted->Is555());
    EXPECT_TRUE(converted->Save(&refused));
}

TEST(RlaCheck, IsOpaqueAtRunEnds) {
    // Row 0: skip 2, 3 opaque (2..4), skip 0, 1 opaque (5), skip 1, 1 opaque (7).
    // Row 1: first word 0. Row 2: skip 3 with no pixels, then 1 opaque (4).
    const Bytes data =
        Rows({12, 26, 24}, {0x0302, 1, 2, 3, 0x0100, 4, 0x0101, 5, 0, 0, 0x0003, 0x0101, 6, 0});
    const auto s = Load(check::RawRecord(static_cast<uint32_t>(data.size()), 8, 3, data));
    ASSERT_NE(s, nullptr);
    const char* rows[] = {"..oooo.o", "........", "....o..."};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = -2; x < 10; ++x) {
            const bool want = x >= 0 && x < 8 && rows[y][x] == 'o';
            EXPECT_EQ(s->IsOpaqueAt(x, y), want) << x << "," << y;
        }
}

TEST(RlaCheck, WriteBranchWritesTagsRecordsAndTheDirectory) {
    std::mt19937 rng(6);
    const check::Grid g0 = check::RandomGrid(rng, 20, 5, 6), g1 = Small();
    const Bytes r0 = check::SpriteRecord(g0, 0, 1, 2, 3), r1 = check::SpriteRecord(g1, 1);
    const auto s0 = Load(r0), s1 = Load(r1);
    ASSERT_TRUE(s0 && s1);
    check::ContainerBytes want;
    want.bytes = {9, 9, 9}; // the writer starts at the stream's position
    want.Add(2, kSpriteTag, r0);
    want.AddOffset(0, -1);
    want.Add(0, kSpriteTag, r1);
    want.Add(2, kSpriteTag, r1);

    RlaMemoryStream out(Bytes{9, 9, 9});
    ASSERT_TRUE(out.Seek(3));
    TRlaFile file;
    ASSERT_TRUE(file.BeginWrite(&out));
    EXPECT_EQ(file.GetState(), TRlaFile::Writing);
    EXPECT_TRUE(file.AppendFrame(2, s0.get()));
    EXPECT_TRUE(file.AppendFrame(0, nullptr));
    EXPECT_TRUE(file.AppendFrame(0, s1.get()));
    EXPECT_TRUE(file.AppendFrame(2, s1.get()));
    EXPECT_FALSE(file.AppendFrame(-1, s1.get()));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.GetState(), TRlaFile::Closed);
    EXPECT_EQ(out.Bytes(), want.Finish());

    // The writer library makes the same layout.
    tools::RlaWriter writer;
    writer.AddRecord(2, kSpriteTag, r0);
    writer.AddEmpty(0);
    writer.AddRecord(0, kSpriteTag, r1);
    writer.AddRecord(2, kSpriteTag, r1);
    want.bytes.erase(want.bytes.begin(), want.bytes.begin() + 3);
    want.groups = {{-1, static_cast<int32_t>(4 + r0.size())},
                   {},
                   {0, static_cast<int32_t>(8 + r0.size() + r1.size())}};
    EXPECT_EQ(writer.Finish(), want.Finish());
    // Appending needs a container begun for writing.
    TRlaFile reading;
    EXPECT_FALSE(reading.AppendFrame(0, s0.get()));
}

TEST(RlaCheck, AskingForAFrameWhileWritingLeavesTheFileWhole) {
    const Bytes record = check::SpriteRecord(Small());
    const auto sprite = Load(record);
    ASSERT_NE(sprite, nullptr);
    check::ContainerBytes want;
    for (int i = 0; i < 3; ++i)
        want.Add(0, kSpriteTag, record);
    RlaMemoryStream out;
    TRlaFile file;
    ASSERT_TRUE(file.BeginWrite(&out));
    ASSERT_TRUE(file.AppendFrame(0, sprite.get()));
    ASSERT_TRUE(file.AppendFrame(0, sprite.get()));
    // The frames being written are the caller's: the container gives none
    // back and the stream stays where the next frame goes.
    EXPECT_EQ(file.GetFrame(0, 0), nullptr);
    ASSERT_TRUE(file.AppendFrame(0, sprite.get()));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(out.Bytes(), want.Finish());
}

// The RGBA image of a grid: transparent pixels get alpha 0..127, opaque ones
// 128..255 and the colour whose top bits give the pixel.
tools::RgbaImage ImageOf(const check::Grid& g, std::mt19937& rng) {
    tools::RgbaImage im{g.width, g.height, {}};
    std::uniform_int_distribution<int32_t> low(0, 7), alpha(0, 127);
    for (int32_t v : g.px) {
        const auto p = static_cast<uint32_t>(v < 0 ? 0x1234 : v);
        im.rgba.push_back(static_cast<uint8_t>((p >> 8 & 0xF8) | low(rng)));
        im.rgba.push_back(static_cast<uint8_t>((p >> 3 & 0xFC) | (low(rng) & 3)));
        im.rgba.push_back(static_cast<uint8_t>((p << 3 & 0xF8) | low(rng)));
        im.rgba.push_back(static_cast<uint8_t>(v < 0 ? alpha(rng) : 128 + alpha(rng)));
    }
    return im;
}

TEST(RlaCheck, WriterEncodesRunsByTheFormat) {
    std::mt19937 rng(12);
    check::Grid wide{1200, 4, std::vector<int32_t>(4800, -1)};
    for (int32_t x = 0; x < 1200; ++x) {
        wide.px[static_cast<size_t>(x)] = x < 765 ? -1 : 0x1111; // 3 x 255 skipped
        wide.px[1200 + static_cast<size_t>(x)] = x < 256 ? -1 : 0x2222;
        wide.px[2400 + static_cast<size_t>(x)] = x % 600 < 510 ? 0x3333 : -1; // 2 x 255 opaque
    }
    const check::Grid grids[] = {Small(), wide, check::RandomGrid(rng, 50, 9, 4),
                                 check::RandomGrid(rng, 600, 3, 400), check::Grid{5, 0, {}}};
    for (const check::Grid& g0 : grids) {
        check::Grid g = g0;
        for (int32_t& v : g.px) // the key colours are moved off the key by the writer
            if (v == 0x07E0 || v == 0x07C0) v = -1;
        uint32_t nudged = 7;
        const Bytes got = tools::EncodeRleSprite(ImageOf(g, rng), 4, -2, 17, &nudged);
        EXPECT_EQ(got, check::SpriteRecord(g, 0, 4, -2, 17)) << g.width;
        EXPECT_EQ(nudged, 0u);
    }
    // Pixels at or becoming the key get blue 1 and are counted; others stay.
    const struct {
        uint8_t r, g, b;
        uint16_t want;
        bool nudged;
    } pixels[] = {{0, 255, 0, 0x07E1, true},     {7, 252, 7, 0x07E1, true},
                  {0, 248, 0, 0x07C1, true},     {0, 244, 0, 0x07A0, false},
                  {8, 255, 0, 0x0FE0, false},    {0, 255, 8, 0x07E1, false},
                  {255, 255, 255, 0xFFFF, false}};
    for (const auto& p : pixels) {
        bool nudged = !p.nudged;
        EXPECT_EQ(tools::RlaPixel565(p.r, p.g, p.b, &nudged), p.want) << int{p.r} << int{p.g};
        EXPECT_EQ(nudged, p.nudged);
    }
    tools::RgbaImage keys{3, 1, {0, 255, 0, 255, 0, 250, 0, 128, 0, 255, 0, 127}};
    uint32_t count = 0;
    const Bytes record = tools::EncodeRleSprite(keys, 0, 0, 0, &count);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(record, check::SpriteRecord({3, 1, {0x07E1, 0x07C1, -1}}));
}

TEST(RlaCheck, StdioStreamReadsWholeBlocksOverResourceNames) {
    testsupport::TempDir dir;
    const Bytes bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    dir.Write("Pictures/Global/LocItem.rla", bytes);
    const std::string base = dir.Path().string();
    RlaStdioStream s;
    EXPECT_FALSE(s.Open(nullptr, "rb"));
    EXPECT_FALSE(s.IsOpen());
    uint8_t buf[16] = {};
    EXPECT_EQ(s.Read(buf, 1), 0u);
    EXPECT_EQ(s.Size(), -1);
    EXPECT_FALSE(s.Seek(0));
    ASSERT_TRUE(s.Open((base + "\\pictures\\GLOBAL\\locitem.RLA").c_str(), "rb"));
    ASSERT_TRUE(s.Seek(4));
    EXPECT_EQ(s.Size(), 10);
    EXPECT_EQ(s.Tell(), 4);
    EXPECT_EQ(s.Read(buf, 7), 0u); // only 6 left: the block is not read
    ASSERT_TRUE(s.Seek(4));
    EXPECT_EQ(s.Read(buf, 6), 6u);
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(buf[5], 10);
    EXPECT_FALSE(s.Seek(-1));
    // Opening again closes the first file.
    ASSERT_TRUE(s.Open((base + "/Pictures/Global/LocItem.rla").c_str(), "rb"));
    EXPECT_EQ(s.Tell(), 0);
    EXPECT_FALSE(s.Open((base + "/Pictures/none.rla").c_str(), "rb"));
    EXPECT_FALSE(s.IsOpen());
    // Writing, then reading it back as a container.
    ASSERT_TRUE(s.Open((base + "\\Pictures\\new.rla").c_str(), "wb"));
    const Bytes empty = {0, 0, 0, 0};
    EXPECT_EQ(s.Write(empty.data(), 4), 4u);
    s.Close();
    ASSERT_TRUE(s.Open((base + "/pictures/NEW.rla").c_str(), "rb"));
    TRlaFile file;
    EXPECT_TRUE(file.Open(&s));
    EXPECT_EQ(file.GroupCount(), 0);
}

} // namespace rlacheck
} // namespace
