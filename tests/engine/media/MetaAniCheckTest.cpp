// The animation resource checked through its one interface: the kind by
// extension and its reports, album animations (reading only, counted opens,
// clips, the base's rate), the base's mode-guarded picture and audio, and a
// renamed resource choosing its kind again.
#include "foundation/TError.h"
#include "media/animation/TMetaAni.h"

#include "AlbumWriter.h"
#include "CheckFixtures.h"
#include "ErrorProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class MetaAniCheckTest : public check::MediaFixture {
protected:
    // Two clips: 4 x 2 with three frames, 8 x 3 with one.
    std::string Album(const std::string& name) {
        tools::AlbumPlan plan;
        plan.entries = {{4, 2, {check::Bytes(8, 1), check::Bytes(8, 2), check::Bytes(8, 3)}, 0},
                        {8, 3, {check::Bytes(24, 9)}, 0}};
        return dir.Write(name, tools::WriteAlbum(plan, nullptr));
    }
    testsupport::TempDir dir;
};

struct KindCase {
    const char* name;
    TMetaAni::Kind kind;
    int32_t code;
    const char* message;
};

TEST_F(MetaAniCheckTest, KindByExtensionAndItsReports) {
    Album("clip.ALB");
    const KindCase cases[] = {
        {"film.AVI", TMetaAni::kAvi, 0, nullptr},
        {"rec.DlA", TMetaAni::kDelta, 0, nullptr},
        {"clip.ALB", TMetaAni::kAlbum, 0, nullptr},
        {"clip.alba", TMetaAni::kNone, 49, "Invalid file extension."},
        {"film.", TMetaAni::kNone, 49, "Invalid file extension."},
        {"film.avi.bak", TMetaAni::kNone, 49, "Invalid file extension."},
        {"v1.2/film", TMetaAni::kNone, 50, "Missing file extension."},
        {"film", TMetaAni::kNone, 50, "Missing file extension."},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        const std::string path = dir.File(c.name);
        TMetaAni ani(nullptr);
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.GetKind(), c.kind);
        TErrorRec* e = NewestError();
        if (!c.code) {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, c.code);
        EXPECT_STREQ(e->message.c_str(), c.message);
        EXPECT_STREQ(e->object.c_str(), path.c_str());
        EXPECT_STREQ(e->source.c_str(), "Source\\TMetaAni");
        // Kind 0 answers 0 everywhere.
        EXPECT_EQ(ani.Open(1), 0);
        EXPECT_EQ(ani.ReadFrame(0, 0), 0);
        EXPECT_EQ(ani.WriteFrame(0), 0);
        EXPECT_EQ(ani.GetWidth(0), 0);
        EXPECT_EQ(ani.GetFrameCount(0), 0);
        EXPECT_FALSE(ani.IsValid());
    }
}

// Albums play only: a write open fails and changes nothing, a read open then
// works; later opens must give the first open's mode; the last close clears
// the mode; clips are the album's entries; the rate is the base's 10.0.
TEST_F(MetaAniCheckTest, AlbumAnimations) {
    TMetaAni ani;
    ani.SetPath(Album("strip.alb").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAlbum);
    EXPECT_TRUE(ani.IsValid());
    EXPECT_EQ(ani.Open(2), 0);
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    EXPECT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.GetMode(), 1);
    EXPECT_EQ(ani.Open(3), 0); // another mode
    EXPECT_EQ(ani.Open(1), 1);
    EXPECT_DOUBLE_EQ(ani.GetRate(0), 10.0);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    EXPECT_EQ(ani.GetFrameCount(1), 1);
    EXPECT_EQ(ani.GetWidth(1), 8);
    EXPECT_EQ(ani.GetHeight(1), 3);
    EXPECT_EQ(ani.GetWidth(0), 4);
    ASSERT_EQ(ani.ReadFrame(2, 0), 1);
    const GdlBitmap* b = ani.GetPixelFormat();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 4);
    EXPECT_EQ(b->height, 2);
    EXPECT_EQ(b->surface[0], 3);
    ani.FreeFrame();
    ASSERT_EQ(ani.ReadFrame(0, 1), 1);
    EXPECT_EQ(ani.GetPixelFormat()->width, 8);
    EXPECT_EQ(ani.GetPixelFormat()->surface[0], 9);
    ani.FreeFrame();
    EXPECT_EQ(ani.WriteFrame(0), 0);
    EXPECT_EQ(ani.ReadAudio(0, 4, 0), 0);
    EXPECT_FALSE(ani.HasAudio());
    EXPECT_EQ(ani.GetAudioLength(), 0);
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 1); // one open left
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.ReadFrame(0, 0), 0); // closed
}

// The base answers its picture only while reading, takes one only while
// writing, and keeps the six audio values as one group.
TEST_F(MetaAniCheckTest, TheBaseGuardsByMode) {
    TMetaAni ani;
    EXPECT_STREQ(ani.GetFolder(), "Animations");
    EXPECT_FALSE(ani.HasPath());
    GdlBitmap picture{};
    uint8_t sound[4] = {};
    ani.SetPixelFormat(&picture); // not writing: ignored
    ani.SetAudioData(sound);
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    EXPECT_EQ(ani.GetAudioData(), nullptr);
    ani.SetAudioFormat(1, 2, 22050, 88200, 4, 16);
    int32_t v[6] = {};
    ani.GetAudioFormat(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<int32_t>(v, v + 6), (std::vector<int32_t>{1, 2, 22050, 88200, 4, 16}));
    ani.SetUserWord(77);
    EXPECT_EQ(ani.GetUserWord(), 77);
    EXPECT_EQ(ani.SetMode(1), 0);
    EXPECT_EQ(ani.GetAudioData(), sound);
    ani.ClearMode();
    EXPECT_EQ(ani.GetMode(), 0);
}

// A new name chooses the kind again on next use.
TEST_F(MetaAniCheckTest, ANewNameChoosesAgain) {
    TMetaAni ani;
    ani.SetPath(dir.File("a.dla").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kDelta);
    ani.SetPath(Album("b.alb").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAlbum);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    ani.SetPath(dir.File("c.avi").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAvi);
    EXPECT_TRUE(ani.HasPath());
}

} // namespace
