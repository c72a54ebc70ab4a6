#include "foundation/TRectLst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

using Rect = std::tuple<int, int, int, int, unsigned>;

std::set<Rect> Items(TRectLst& list) {
    std::set<Rect> out;
    for (TListNode* n = list.Head(); n; n = n->next) {
        auto* r = static_cast<TRectItem*>(n->item);
        out.insert({r->left, r->top, r->right, r->bottom, r->tag});
    }
    return out;
}

TEST(RectList, AddingSplitsAroundWhatIsListed) {
    TRectLst list;
    list.AddRect({0, 0, 10, 10}, 1);
    list.AddRect({0, 0, 10, 10}, 1);
    EXPECT_EQ(Items(list), (std::set<Rect>{{0, 0, 10, 10, 1}}));
    list.AddRect({5, 5, 15, 15}, 1);
    EXPECT_EQ(Items(list),
              (std::set<Rect>{{0, 0, 10, 10, 1}, {10, 5, 15, 10, 1}, {5, 10, 15, 15, 1}}));
    list.AddRect({3, 3, 3, 9}, 1); // empty
    list.AddRect({3, 9, 8, 2}, 1);
    EXPECT_EQ(list.Count(), 3);
}

TEST(RectList, SameTagNeighboursMerge) {
    TRectLst same, other;
    same.AddRect({0, 0, 10, 10}, 1);
    same.AddRect({0, 10, 10, 20}, 1);
    EXPECT_EQ(Items(same), (std::set<Rect>{{0, 0, 10, 20, 1}}));
    other.AddRect({0, 0, 10, 10}, 1);
    other.AddRect({0, 10, 10, 20}, 2);
    EXPECT_EQ(other.Count(), 2);
    other.AddRect({2, 2, 4, 4}, 2); // inside an item of another tag: nothing
    EXPECT_EQ(other.Count(), 2);
}

TEST(RectList, CoveringRectangleReplacesWhatItContains) {
    TRectLst list;
    list.AddRect({2, 2, 4, 4}, 1);
    list.AddRect({6, 2, 8, 4}, 1);
    list.AddRect({0, 4, 10, 8}, 1);
    list.AddRect({0, 0, 10, 4}, 1); // covers the first two, merges with the third
    EXPECT_EQ(Items(list), (std::set<Rect>{{0, 0, 10, 8, 1}}));
}

TEST(RectList, SubtractCutsOnlyItsOwnTag) {
    TRectLst list;
    list.AddRect({0, 0, 10, 10}, 1);
    list.SubtractRect({2, 2, 4, 4}, 2);
    EXPECT_EQ(list.Count(), 1);
    list.SubtractRect({2, 2, 4, 4}, 1);
    EXPECT_EQ(
        Items(list),
        (std::set<Rect>{{0, 0, 10, 2, 1}, {0, 2, 2, 4, 1}, {4, 2, 10, 4, 1}, {0, 4, 10, 10, 1}}));
    list.SubtractRect({0, 0, 0, 5}, 1); // empty
    EXPECT_EQ(list.Count(), 4);
}

TEST(RectList, FindRectWalksOverlappingItemsOfOneTag) {
    TRectLst list;
    list.AddRect({0, 0, 10, 10}, 1);
    list.AddRect({20, 0, 30, 10}, 1);
    list.AddRect({40, 0, 50, 10}, 2);
    list.AddRect({0, 50, 10, 60}, 1);
    list.Rewind();
    std::set<int> lefts;
    while (TRectItem* r = list.FindRect(5, 5, 45, 8, 1))
        lefts.insert(r->left);
    EXPECT_EQ(lefts, (std::set<int>{0, 20}));

    TRectLst copy;
    copy.AddList(&list);
    copy.AddList(nullptr);
    EXPECT_EQ(Items(copy), Items(list));
}

// Random adds and subtractions against a per-pixel reference.
void CheckDisjoint(TRectLst& list) {
    std::vector<TRectItem*> items;
    for (TListNode* n = list.Head(); n; n = n->next)
        items.push_back(static_cast<TRectItem*>(n->item));
    for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_LT(items[i]->left, items[i]->right);
        ASSERT_LT(items[i]->top, items[i]->bottom);
        for (size_t j = i + 1; j < items.size(); ++j) {
            const TRectItem& a = *items[i];
            const TRectItem& b = *items[j];
            bool overlap =
                a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
            ASSERT_FALSE(overlap);
        }
    }
}

TEST(RectList, RandomSequencesStayDisjointAndCoverTheReferenceArea) {
    constexpr int kSize = 48;
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> coord(-4, kSize + 4);
    for (int round = 0; round < 40; ++round) {
        TRectLst list;
        std::vector<int> ref(kSize * kSize + 1, 0);
        for (int step = 0; step < 60; ++step) {
            int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
            l = std::clamp(l, 0, kSize), r = std::clamp(r, 0, kSize);
            t = std::clamp(t, 0, kSize), b = std::clamp(b, 0, kSize);
            bool add = rng() % 3 != 0;
            if (add)
                list.AddRect({l, t, r, b}, 7);
            else
                list.SubtractRect({l, t, r, b}, 7);
            for (int y = t; y < b; ++y)
                for (int x = l; x < r; ++x)
                    ref[y * kSize + x] = add ? 1 : 0;
            CheckDisjoint(list);
            std::vector<int> got(kSize * kSize + 1, 0);
            for (TListNode* n = list.Head(); n; n = n->next) {
                auto* item = static_cast<TRectItem*>(n->item);
                for (int y = item->top; y < item->bottom; ++y)
                    for (int x = item->left; x < item->right; ++x)
                        got[y * kSize + x] = 1;
            }
            ASSERT_EQ(got, ref) << "round " << round << " step " << step;
        }
    }
}

TEST(RectList, MixedTagsNeverOverlapAndAddingAlwaysCovers) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 40);
    TRectLst list;
    for (int step = 0; step < 400; ++step) {
        int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
        unsigned tag = 1 + rng() % 3;
        if (rng() % 4 == 0) {
            list.SubtractRect({l, t, r, b}, tag);
        } else {
            list.AddRect({l, t, r, b}, tag);
            for (int y = t; y < b; ++y)
                for (int x = l; x < r; ++x) {
                    bool covered = false;
                    for (TListNode* n = list.Head(); n && !covered; n = n->next) {
                        auto* i = static_cast<TRectItem*>(n->item);
                        covered = x >= i->left && x < i->right && y >= i->top && y < i->bottom;
                    }
                    ASSERT_TRUE(covered);
                }
        }
        CheckDisjoint(list);
    }
}

} // namespace
