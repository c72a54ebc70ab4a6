#include "platform/ByteStream.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteStream, WriterAndReaderAgreeOnLittleAndBigEndianFields) {
    std::vector<uint8_t> bytes;
    platform::ByteWriter w(bytes);
    w.U8(0x12);
    w.U16(0x3456);
    w.U32(0x789abcde);
    w.S16(-2);
    w.U32BE(0x01020304);
    size_t sizeField = w.Position();
    w.U32(0);
    w.PatchU32(sizeField, 0xcafef00d);
    EXPECT_EQ(bytes.size(), 17u);
    EXPECT_EQ(bytes[1], 0x56);

    platform::ByteReader r(bytes);
    EXPECT_EQ(r.U8(), 0x12);
    EXPECT_EQ(r.U16(), 0x3456);
    EXPECT_EQ(r.U32(), 0x789abcdeu);
    EXPECT_EQ(r.S16(), -2);
    EXPECT_EQ(r.U32BE(), 0x01020304u);
    EXPECT_EQ(r.U32(), 0xcafef00du);
    EXPECT_TRUE(r.Ok());
    EXPECT_TRUE(r.AtEnd());
}

TEST(ByteStream, ReadingPastTheEndYieldsZerosAndStaysFailed) {
    const uint8_t bytes[] = {1, 2, 3};
    platform::ByteReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.U16(), 0x0201);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_EQ(r.U8(), 0u);
    EXPECT_FALSE(r.Ok());
}

TEST(ByteStream, SeekSkipAndTakeRefuseRangesBeyondTheData) {
    const uint8_t bytes[] = {9, 8, 7, 6};
    platform::ByteReader r(bytes, sizeof bytes);
    EXPECT_TRUE(r.Seek(4));
    EXPECT_FALSE(r.Seek(5));
    EXPECT_EQ(r.Position(), 4u);

    platform::ByteReader s(bytes, sizeof bytes);
    EXPECT_EQ(s.Take(SIZE_MAX), nullptr);
    EXPECT_FALSE(s.Ok());

    platform::ByteReader t(bytes, sizeof bytes);
    EXPECT_TRUE(t.Skip(1));
    EXPECT_FALSE(t.Skip(4));
    uint8_t out[2] = {0xff, 0xff};
    EXPECT_FALSE(t.Bytes(out, 2));
    EXPECT_EQ(out[0], 0);
}

} // namespace
