// A walking, animated character of the room: placed in 3-D, projected through
// the room's camera, drawn from its own picture container at a size that
// follows its depth, turned to one of six facing sectors, animated from
// per-state lists of direction entries and walked along found paths, with
// footsteps.
#pragma once

#include "AnimEntry.h"
#include "OwningArray.h"
#include "TRoomElement.h"
#include "WalkPath.h"

#include "foundation/TTimer.h"
#include "media/sound/TSound.h"
#include "media/sound/TWave.h"

#include <cstdint>
#include <memory>

class RlaStream;
class RleSprite16;

// One animation: a leading word nothing reads, then 18 direction entries of
// which the first six serve the facing sectors.
struct ActorAnimRecord {
    static constexpr int32_t kEntries = 18;
    int32_t lead = 0;
    AnimEntry entries[kEntries];
};
static_assert(sizeof(ActorAnimRecord) == 580, "a word and 18 entries of 32 bytes");

class TActor : public TRoomElement {
public:
    enum State : int32_t { asIdle = 0, asTalking = 1, asScript = 2, asWalking = 3, asRunning = 4 };
    enum List : int32_t { alIdle = 0, alTalk = 1, alWalk = 2, alRun = 3 };
    static constexpr float kDefaultSpeed = 0.17f;
    static constexpr float kRunFactor = 2.5f;
    // The direction entries tried for each facing sector, in order.
    static const int32_t kFallback[6][6];

    TActor();
    ~TActor() override;

    // --- Element and control interface ---
    int32_t GetType() const override { return tyActor; }
    void StopAnimation() override;
    void SetPosition(const Point3D& position) override;
    GdlBitmap* RenderFrame() override;
    uint32_t Update() override;
    void Draw() override;
    bool HitTest(int32_t x, int32_t y) override;

    void Init(TRoom* room);
    void Close();
    void Detach() override { Close(); }

    // --- Animation ---
    void AddAnim(int32_t list, const ActorAnimRecord& record);
    void ClearAnim(int32_t list);
    void PlayAnim(const ActorAnimRecord& record);
    void SetTalkState(int32_t s);
    void ChooseAnimation();
    void StartAnimEntry(AnimEntry* entry);
    void SetFacing(int32_t angle);
    void LookAt(const Point3D& point);
    int Step(TObject* sender, TEvent* event);

    // --- Walking ---
    // Takes ownership of the walker.
    void WalkTo(WalkPath* walker);
    void CancelWalk(int32_t settle);
    void FollowWalker();
    void AddWalkSound(const char* name);
    void ClearWalkSounds();

    // The speech sound whose level drives the speaker's mouth (the dialog
    // hands it over; not owned).
    void SetFlag(TSound* speech) { speech_ = speech; }
    TSound* GetSpeech() const { return speech_; }

    // Takes ownership of the container and the stream it reads.
    void SetPictures(TRlaFile* pictures, RlaStream* stream);

    int32_t number = 0;
    float speed = kDefaultSpeed;
    int32_t animEndAction = -1;
    int32_t walkEndAction = -1;
    bool walkInterrupted = false;

    int32_t GetState() const { return state_; }
    int32_t GetFacing() const { return facing_; }
    AnimEntry* CurrentEntry() const { return current_; }
    int32_t ShownGroup() const { return shownGroup_; }
    int32_t ShownFrame() const { return shownFrame_; }
    WalkPath* GetWalker() const { return walker_.get(); }
    int32_t ListCount(int32_t list) const {
        return list >= 0 && list < 4 ? lists_[list].Count() : 0;
    }
    int32_t WalkSoundCount() const { return walkSounds_.Count(); }
    float ScreenX() const { return screenX_; }
    float ScreenY() const { return screenY_; }
    float Depth() const { return depth3_; }
    TTimer& AnimTimer() { return animTimer_; }
    TWave& StepWave(int32_t which) { return which ? stepWaveB_ : stepWaveA_; }
    TSound& StepSound(int32_t which) { return which ? stepSoundB_ : stepSoundA_; }
    int32_t StepCounter() const { return stepCounter_; }
    const int32_t* FrameBox() const { return frameBox_; }

private:
    RleSprite16* ShownSprite();
    bool Walking() const { return state_ == asWalking || state_ == asRunning; }
    void ShowCurrent();
    void AdvanceOutsideWalk(int32_t n);
    void AdvanceWalking(int32_t n);
    void Footstep();
    void SetState(int32_t state);
    void ForgetRecord(ActorAnimRecord* record);
    void DeleteWalker();
    bool Holds(const ActorAnimRecord* record) const;

    int32_t state_ = asIdle;
    int32_t shownGroup_ = -1;
    int32_t shownFrame_ = -1;
    AnimEntry* current_ = nullptr;
    TTimer animTimer_;
    ActorAnimRecord script_;
    // Records live on their own, so that adding to a list never moves the
    // entry being played; a cleared record still playing waits in `orphan_`.
    OwningArray<ActorAnimRecord> lists_[4];
    std::unique_ptr<ActorAnimRecord> orphan_;
    OwningArray<TString> walkSounds_;
    TSound stepSoundA_;
    TSound stepSoundB_;
    TWave stepWaveA_;
    TWave stepWaveB_;
    int32_t stepCounter_ = 0;
    std::unique_ptr<WalkPath> walker_;
    float screenX_ = 0.0f;
    float screenY_ = 0.0f;
    float depth3_ = 0.0f;
    int32_t frameBox_[4] = {0, 0, 0, 0};
    int32_t facing_ = 4;
    Point3D lookAt_;
    TSound* speech_ = nullptr;
    // The stream first: the container that reads it goes before it.
    std::unique_ptr<RlaStream> stream_;
    std::unique_ptr<TRlaFile> pictures_;
};
