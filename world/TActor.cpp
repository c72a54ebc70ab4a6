#include "TActor.h"

#include "Camera3D.h"
#include "FloatToInt.h"
#include "GameServices.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "TRlaFile.h"
#include "TRoom.h"
#include "WorldRandom.h"

#include "foundation/TError.h"

#include <new>

namespace {
constexpr const char* kSource = "Int\\All\\Source\\RoomActor";
} // namespace

const int32_t TActor::kFallback[6][6] = {
    {0, 1, 5, 2, 4, 3}, {1, 2, 0, 3, 5, 4}, {2, 3, 1, 4, 0, 5},
    {3, 4, 2, 5, 1, 0}, {4, 5, 3, 0, 2, 1}, {5, 0, 4, 1, 3, 2},
};

TActor::TActor() {
    elementFlags_ |= efDepthScaling;
    SetTransparent(1);
    ObjectBrightness() = 1.0f;
}

TActor::~TActor() {
    animTimer_.Detach();
    stepSoundA_.Detach();
    stepSoundB_.Detach();
    DeleteWalker();
    ClearWalkSounds();
    Game().Unref(walkEndAction);
    Game().Unref(animEndAction);
    if (pictures_) pictures_->Close();
}

void TActor::SetPictures(TRlaFile* pictures, RlaStream* stream) {
    if (pictures_.get() != pictures) {
        if (pictures_) pictures_->Close();
        pictures_.reset(pictures);
    }
    if (stream_.get() != stream) stream_.reset(stream);
    source_ = pictures;
}

void TActor::Init(TRoom* room) {
    SetRect(0, 0, 1, 1);
    SetTransparent(1);
    SetColor(TColor(0, 255, 0));
    stepSoundA_.Attach(this);
    stepSoundB_.Attach(this);
    animTimer_.SetInterval(100.0f);
    animTimer_.SetFlags(kEnabled, false);
    animTimer_.Add<TActor, &TActor::Step>(evTick, this);
    animTimer_.SetParent(this);
    TRoomElement::Attach(room);
}

void TActor::Close() {
    animTimer_.Detach();
    stepSoundA_.Detach();
    stepSoundB_.Detach();
    DeleteWalker();
    StartAnimEntry(nullptr);
    ClearWalkSounds();
    TRoomElement::Detach();
}

void TActor::StopAnimation() {
    animTimer_.SetFlags(kEnabled, false);
}

void TActor::DeleteWalker() {
    walker_.reset();
}

// --- Position -------------------------------------------------------------------

void TActor::SetPosition(const Point3D& position) {
    TRoomElement::SetPosition(position);
    if (!CurrentRoom()) return;
    Camera3D& camera = CurrentRoom()->GetCamera();
    Point3D p = position;
    camera.Transform(p);
    if (p.z <= 1.0f) {
        SetVisible(false);
        return;
    }
    SetVisible(true);
    camera.Project(p);
    screenX_ = p.x;
    screenY_ = p.y;
    depth3_ = p.z;
    Invalidate(true);
}

// --- Animation ------------------------------------------------------------------

void TActor::AddAnim(int32_t list, const ActorAnimRecord& record) {
    if (list < 0 || list > 3) return;
    std::unique_ptr<ActorAnimRecord> copy(new (std::nothrow) ActorAnimRecord(record));
    if (!lists_[list].Adopt(copy)) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return;
    }
    if ((list == alIdle && state_ == asIdle) || (list == alTalk && state_ == asTalking))
        ChooseAnimation();
}

bool TActor::Holds(const ActorAnimRecord* record) const {
    return current_ && current_ >= record->entries &&
           current_ < record->entries + ActorAnimRecord::kEntries;
}

void TActor::ClearAnim(int32_t list) {
    if (list < 0 || list > 3) return;
    OwningArray<ActorAnimRecord>& records = lists_[list];
    // The record being played goes on playing until another starts.
    for (int32_t i = records.Count() - 1; i >= 0; --i)
        if (Holds(records[i])) orphan_.reset(records.Release(i));
    records.Clear();
}

void TActor::PlayAnim(const ActorAnimRecord& record) {
    script_ = record;
    SetState(asScript);
    ChooseAnimation();
}

void TActor::SetState(int32_t state) {
    state_ = state;
}

void TActor::ChooseAnimation() {
    if (!Walking() && (elementFlags_ & efLookAt) && CurrentRoom()) {
        const Point3D& p = position_;
        const Point3D d{lookAt_.x - p.x, lookAt_.y - p.y, lookAt_.z - p.z};
        // May choose once more from inside; the facing then stays put.
        SetFacing(FloatToInt32(CurrentRoom()->GetCamera().FacingAngle(p, d)));
    }
    ActorAnimRecord* record = nullptr;
    if (state_ == asScript) {
        record = &script_;
    } else {
        int32_t list = alIdle;
        if (state_ == asTalking) list = alTalk;
        if (state_ == asWalking) list = alWalk;
        if (state_ == asRunning) list = lists_[alRun].Count() > 0 ? alRun : alWalk;
        OwningArray<ActorAnimRecord>& records = lists_[list];
        if (records.Count() == 0) return;
        record = records[WorldRand() % records.Count()];
    }
    const int32_t* order = kFallback[((facing_ % 6) + 6) % 6];
    for (int32_t k = 0; k < 6; ++k)
        if (record->entries[order[k]].group != -1) {
            StartAnimEntry(&record->entries[order[k]]);
            return;
        }
    StartAnimEntry(nullptr);
}

void TActor::StartAnimEntry(AnimEntry* entry) {
    if (!entry) {
        current_ = nullptr;
        if (shownGroup_ != -1 || shownFrame_ != -1) {
            shownGroup_ = shownFrame_ = -1;
            Invalidate(true);
        }
    } else {
        if (entry != current_) entry->frame = 0;
        current_ = entry;
        animTimer_.SetInterval(float(entry->interval));
        animTimer_.SetFlags(kEnabled, true);
        ShowCurrent();
    }
    if (orphan_ && !Holds(orphan_.get())) orphan_.reset();
}

void TActor::ShowCurrent() {
    if (!current_) return;
    if (current_->group == shownGroup_ && current_->frame == shownFrame_) return;
    const RleSprite16* before = ShownSprite();
    shownGroup_ = current_->group;
    shownFrame_ = current_->frame;
    // A repeated picture (an idle animation of like frames) looks the same.
    const RleSprite16* after = ShownSprite();
    if (before && after && before->SamePicture(*after)) return;
    Invalidate(true);
}

void TActor::SetTalkState(int32_t s) {
    if (s == 0 && Game().DialogSpeaker() == number && number >= 0) {
        state_ = asIdle;
        s = asTalking;
    }
    if (state_ == s) return;
    // Talking never replaces walking or a script animation.
    if (s == asTalking && state_ != asIdle) return;
    state_ = s;
    ChooseAnimation();
}

void TActor::SetFacing(int32_t angle) {
    const int32_t sector = FacingSector(angle);
    if (sector == facing_) return;
    facing_ = sector;
    ChooseAnimation();
}

void TActor::LookAt(const Point3D& point) {
    if (Walking() || !CurrentRoom()) return;
    const Point3D d{point.x - position_.x, point.y - position_.y, point.z - position_.z};
    const int32_t angle = FloatToInt32(CurrentRoom()->GetCamera().FacingAngle(position_, d));
    lookAt_ = point;
    SetFacing(angle);
}

// --- Walking --------------------------------------------------------------------

void TActor::WalkTo(WalkPath* walker) {
    if (!walker) return;
    int32_t state = asWalking;
    float factor = 1.0f;
    const Point3D* last = walker_ ? walker_->LastPoint() : nullptr;
    const Point3D* next = walker->LastPoint();
    if (last && next && last->x == next->x && last->y == next->y && last->z == next->z) {
        state = asRunning;
        factor = kRunFactor;
    }
    const bool wasWalking = walker_ != nullptr;
    DeleteWalker();
    Game().Unref(walkEndAction);
    if (!wasWalking) SetTalkState(0);
    if (state_ != state) {
        state_ = state;
        ChooseAnimation();
    }
    walker_.reset(walker);
    walker_->SetSpeed(factor * speed);
}

void TActor::CancelWalk(int32_t settle) {
    DeleteWalker();
    Game().Unref(walkEndAction);
    if (settle) SetTalkState(0);
}

void TActor::FollowWalker() {
    if (!walker_) return;
    Point3D p;
    if (walker_->Step()) {
        walker_->GetPosition(p);
        SetPosition(p);
        SetTalkState(0);
        DeleteWalker();
        return;
    }
    walker_->GetPosition(p);
    SetPosition(p);
    Point3D d;
    walker_->GetDirection(d);
    int32_t angle = 0;
    Camera3D* camera = CurrentRoom() ? &CurrentRoom()->GetCamera() : nullptr;
    if (!camera) return;
    if (elementFlags_ & efFaceProjected) {
        Point3D a = p;
        Point3D b{p.x + d.x, p.y + d.y, p.z + d.z};
        camera->Transform(a);
        camera->Project(a);
        camera->Transform(b);
        camera->Project(b);
        const Point3D v{b.x - a.x, 0.0f, b.y - a.y};
        angle = FloatToInt32(VectorAngleDeg(v, {0.0f, 0.0f, 1.0f})) + 150;
    } else {
        angle = FloatToInt32(camera->FacingAngle(p, d));
    }
    const int32_t sector = FacingSector(angle);
    if (sector != facing_) {
        facing_ = sector;
        ChooseAnimation();
    }
}

void TActor::AddWalkSound(const char* name) {
    if (!name) return;
    std::unique_ptr<TString> copy(new TString(name));
    if (!walkSounds_.Adopt(copy)) TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
}

void TActor::ClearWalkSounds() {
    walkSounds_.Clear();
}

void TActor::Footstep() {
    if (walkSounds_.Count() == 0) return;
    const TString* name = walkSounds_[WorldRand() % walkSounds_.Count()];
    ++stepCounter_;
    TSound* sound = nullptr;
    TWave* wave = nullptr;
    if (stepCounter_ == 3 && state_ == asRunning) {
        sound = &stepSoundA_;
        wave = &stepWaveA_;
    } else if (stepCounter_ >= 6) {
        stepCounter_ = 0;
        sound = &stepSoundB_;
        wave = &stepWaveB_;
    }
    if (!sound) return;
    // The name is the wave's key in the section of waves.
    wave->SetName(name->c_str());
    sound->SetWave(wave);
    sound->SetVolume(uint32_t(Game().SoundVolume()));
    sound->Play(0);
}

// --- Steps ----------------------------------------------------------------------

int TActor::Step(TObject*, TEvent*) {
    if (Game().MenuOpen() || !current_) return 1;
    const int32_t n = source_ ? source_->FrameCount(current_->group) : 0;
    if (Walking())
        AdvanceWalking(n);
    else
        AdvanceOutsideWalk(n);
    return 1;
}

void TActor::AdvanceOutsideWalk(int32_t n) {
    if (++current_->frame >= n) {
        // Back at the first frame before the next animation is chosen: the
        // same one chosen again goes on there, never showing for a moment a
        // frame past its end (which repaints the actor for nothing).
        current_->frame = 0;
        if (state_ == asScript)
            SetTalkState(0);
        else
            ChooseAnimation();
        if (!current_) return;
        current_->frame = 0;
        animTimer_.SetInterval(float(RandomInterval(*current_)));
    } else {
        animTimer_.SetInterval(float(current_->interval));
    }
    ShowCurrent();
    if (current_->frame == n - 2 && animEndAction >= 0) Game().CallRefOnce(animEndAction);
}

void TActor::AdvanceWalking(int32_t n) {
    FollowWalker();
    if (current_) {
        if (++current_->frame >= n) current_->frame = 0;
        ShowCurrent();
        Footstep();
    }
    if (!walker_ && walkEndAction >= 0) Game().CallRefOnce(walkEndAction);
}
