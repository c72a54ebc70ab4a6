// The event record: per-type preparation of the data block and the masks.
#include "foundation/TEvent.h"

#include <gtest/gtest.h>

namespace {

TEST(TEvent, SetTypePreparesTheDataBlock) {
    struct {
        int32_t type;
        int cleared; // data[0 .. cleared) become 0
        int setIndex;
        intptr_t setValue;
    } cases[] = {
        {2, 6, -1, 0},  {12, 2, -1, 0}, {15, 18, -1, 0}, {16, 7, 7, 1},
        {17, 1, -1, 0}, {18, 3, 3, 1},  {23, 0, 0, 5},   {14, 0, -1, 0},
    };
    for (const auto& c : cases) {
        TEvent e;
        for (intptr_t& w : e.data)
            w = 77;
        e.target = e.userWord = 9;
        e.passState = 3;
        e.extra = 4;
        e.record.what = 0x40;
        e.SetType(c.type);
        EXPECT_EQ(e.type, c.type);
        EXPECT_EQ(e.target, 0u);
        EXPECT_EQ(e.userWord, 0u);
        EXPECT_EQ(e.passState, 0);
        EXPECT_EQ(e.extra, 0u);
        EXPECT_EQ(e.record.what, 0x40u) << "the record is never touched";
        for (int i = 0; i < TEvent::kDataWords; ++i) {
            intptr_t want = i == c.setIndex ? c.setValue : i < c.cleared ? 0 : 77;
            EXPECT_EQ(e.data[i], want) << "type " << c.type << " word " << i;
        }
    }
}

TEST(TEvent, MasksTable) {
    struct {
        int32_t type;
        uint32_t mask;
    } cases[] = {{1, 0x38},    {2, 0x20},    {3, 0x08},  {6, 0x10},    {9, 0},       {12, 0x03},
                 {13, 0x04},   {14, 0x100},  {17, 0x40}, {18, 0x3000}, {22, 0x6000}, {28, 0x7000},
                 {30, 0x4000}, {35, 0xFFFF}, {36, 0},    {0, 0},       {-1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(TEvent::TypeToMask(c.type), c.mask) << c.type;
}

TEST(TEvent, CopiesCarryPointerSizedWords) {
    TEvent e;
    e.SetType(25);
    int object = 0;
    e.target = reinterpret_cast<uintptr_t>(&object);
    e.data[0] = reinterpret_cast<intptr_t>(&object);
    TEvent copy(e);
    EXPECT_EQ(reinterpret_cast<int*>(copy.target), &object);
    EXPECT_EQ(reinterpret_cast<int*>(copy.data[0]), &object);
}

} // namespace
