// The room's script commands as world operations: the game's script host
// reads their arguments and calls these.
#include "GameServices.h"
#include "RoomGlobals.h"
#include "RoomPaths.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TFadeForm.h"
#include "TRoom.h"
#include "TRoomSound.h"

#include "foundation/TError.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDispDev.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kSource = "Int\\All\\Source\\RoomCommands";

// The cursor thread setting as it was at the first fade, kept for the run.
int32_t KeptCursorThread() {
    static const int32_t kept = TCursDev::Global().GetMTCursor();
    return kept;
}

bool SameName(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}
} // namespace

void TRoom::EnterRoom(const char* name, const char* music) {
    sky_.ResetPhase();
    wayGraph_.Reset();
    tickTimer_.SetFlags(kEnabled, false);
    secondTimer_.SetFlags(kEnabled, false);
    backgroundFrame_ = 0;
    DeleteStoppedSounds();
    while (playing_.Count() > 0)
        RetireSound(0);
    if (music && *music) {
        // The same music plays on undisturbed.
        if (!SameName(musicWave_.GetName(), music)) {
            musicWave_.SetName(music);
            music_.SetWave(&musicWave_);
            music_.SetLoop(true);
            music_.SetVolume(uint32_t(Game().MusicVolume()));
            music_.Play(0);
        }
    } else {
        music_.Release();
        musicWave_.SetName("");
    }
    const bool exits = name && Game().GlobalTableHasField(name, "RoomAction");
    SetCursor(Game().NamedCursor(exits ? "curExitArrow" : "curArrow"));
    name_ = name ? name : "";
    Load();
    tickTimer_.SetFlags(kEnabled, true);
    secondTimer_.SetFlags(kEnabled, true);
    Invalidate(true);
}

void TRoom::FadeRoom(int32_t direction) {
    const int32_t cursorThread = KeptCursorThread();
    TCursDev& cursor = TCursDev::Global();
    if (direction == 0) {
        InputLocked() = 1;
        for (int32_t i = 0; i < elements_.Count(); ++i)
            elements_[i]->StopAnimation();
        TFadeForm form;
        form.SetUp();
        cursor.SetVisible(false);
        if (cursorThread) cursor.SetMTCursor(0);
        form.Run(256, 0, 350.0f);
        form.Close();
        return;
    }
    TFadeForm form;
    form.SetUp();
    form.Run(0, 256, 350.0f);
    TDispDev::Global().SetAdjustLevel(256);
    cursor.SetVisible(true);
    if (cursorThread) cursor.SetMTCursor(cursorThread);
    form.Close();
    InputLocked() = 0;
}

TActor* TRoom::ShowActor(int32_t scriptTable, int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "Actor%02d", number);
    auto* actor = static_cast<TActor*>(CreateElement(TRoomElement::tyActor, name, 0));
    if (!actor) {
        OrderDirty() = 1;
        return nullptr;
    }
    actor->scriptRef = scriptTable;
    actor->number = number;
    char file[48];
    std::snprintf(file, sizeof file, "global\\ActAni%02d.RLA", number);
    TString path = GlobalPicture(file);
    auto* stream = new RlaStdioStream;
    if (!stream) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return nullptr;
    }
    if (!stream->Open(path.c_str(), "rb")) {
        delete stream;
        return nullptr;
    }
    auto* pictures = new TRlaFile;
    if (!pictures) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        delete stream;
        return nullptr;
    }
    pictures->Open(stream);
    actor->SetPictures(pictures, stream);
    OrderDirty() = 1;
    return actor;
}

void TRoom::HideActor(TActor* actor) {
    RemoveElement(actor);
}

void TRoom::PlaySound(const char* name, bool loop) {
    // One name plays once at a time.
    for (int32_t i = 0; i < playing_.Count(); ++i)
        if (SameName(playing_[i]->SoundName(), name)) return;
    std::unique_ptr<TRoomSound> sound(new TRoomSound);
    if (!sound) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return;
    }
    sound->Init(this);
    sound->Play(name, loop);
    if (!playing_.Adopt(sound)) TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
}

void TRoom::StopSound(const char* name) {
    for (int32_t i = 0; i < playing_.Count(); ++i)
        if (SameName(playing_[i]->SoundName(), name)) {
            RetireSound(i);
            return;
        }
}

void TRoom::SetObjectAnimEndAction(TRoomElement* object, int32_t function) {
    auto* animated = dynamic_cast<TAnimObject*>(object);
    if (!animated) return;
    Game().Unref(animated->endAction);
    animated->endAction = function >= 0 ? function : -1;
}
