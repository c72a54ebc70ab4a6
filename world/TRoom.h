// The room the player stands in: an 800 x 600 control that draws the sky and
// the background, owns the room's elements in far-to-near order, runs the two
// clocks of game time and turns clicks and keys into the script events of the
// table Game. There is one room while the game world exists (CurrentRoom()).
#pragma once

#include "Camera3D.h"
#include "GrowArray.h"
#include "OwningArray.h"
#include "RlaStdioStream.h"
#include "SpriteCanvas16.h"
#include "TRlaFile.h"
#include "TRoomElement.h"
#include "TSkyLayer.h"
#include "WayFinder.h"
#include "WayGraph.h"
#include "WayGraphView.h"

#include "foundation/TRef.h"
#include "foundation/TSectTxt.h"
#include "foundation/TString.h"
#include "foundation/TTimer.h"
#include "media/sound/TSound.h"
#include "media/sound/TWave.h"
#include "ui/TLabel.h"

#include <cstdint>
#include <memory>

class TActor;
class TRoomSound;
struct GdlDeviceContext;

class TRoom : public TControl {
public:
    static constexpr int32_t kSpanCapacity = 150000;

    TRoom();
    ~TRoom() override;

    void Draw() override;
    void PaintPass(TEvent* event) override;

    void Init(TControl* parent);
    void Clear();
    int32_t Load();
    int32_t LoadRla(TRlaFile& container, const char* path);

    TRoomElement* CreateElement(int32_t type, const char* name, int32_t depth);
    // Hides the element and queues it for deletion (DeleteLater): it may be
    // removed from inside its own handler or end action.
    void RemoveElement(TRoomElement* element);
    // Whether the handle's element is alive in the room (in the vector, a
    // sound list, or removed and not yet deleted). Found by serial: a new
    // element that took a deleted one's address is not the handle's.
    bool HasElement(const TRef<TRoomElement>& handle) const;
    void SortElements(uint8_t flag);
    TActor* FindActor(int32_t number);
    void ResetActorsTalk();
    void RefreshActorsTalk(int32_t ignored = 0);
    bool IsBusy();
    bool IsActorBusy();
    void PlayMusic();
    void StopMusic();
    void SetSoundVolume(int32_t volume);
    void SetImage(int32_t frame);
    int32_t GetImage() const { return backgroundFrame_; }
    void SetPlayerActor(int32_t number) { playerActor_ = number; }
    int32_t GetPlayerActor() const { return playerActor_; }
    void SetBlocked(uint8_t blocked) { blocked_ = blocked; }
    uint8_t IsBlocked() const { return blocked_; }
    void Refresh();
    void ReloadHints();
    // Every element takes its frames again from the room's containers (after
    // they were reopened, as by a language switch).
    void ReloadPictures();

    int OnTick(TObject* sender, TEvent* event);
    int OnSecond(TObject* sender, TEvent* event);
    int OnClick(TObject* sender, TEvent* event);
    int OnExamine(TObject* sender, TEvent* event);
    int OnRoomClick(TObject* sender, TEvent* event);
    int OnRoomExamine(TObject* sender, TEvent* event);
    int OnKey(TObject* sender, TEvent* event);

    // --- Room commands (the scripts' Engine table binds them) ---
    void EnterRoom(const char* name, const char* music);
    // 0 fades out and locks input; anything else fades in and unlocks it.
    void FadeRoom(int32_t direction);
    // The actor named after its number with its pictures, or null when its
    // picture file cannot be opened (the actor then stays without pictures).
    TActor* ShowActor(int32_t scriptTable, int32_t number);
    void HideActor(TActor* actor);
    void PlaySound(const char* name, bool loop);
    void StopSound(const char* name);
    void SetObjectAnimEndAction(TRoomElement* object, int32_t function);

    // --- Members the elements and tests use ---
    const TString& GetName() const { return name_; }
    void SetName(const char* name) { name_ = name ? name : ""; }
    SpriteCanvas16& GetSpriteCanvas() { return *spriteCanvas_; }
    Camera3D& GetCamera() { return camera_; }
    WayGraph& GetWayGraph() { return wayGraph_; }
    WayFinder& GetWayFinder() { return *wayFinder_; }
    WayGraphView& GetWayGraphView() { return wayGraphView_; }
    TSkyLayer& GetSky() { return sky_; }
    TRlaFile& Background() { return background_; }
    TRlaFile& Objects() { return objects_; }
    TRlaFile& LocalItems() { return localItems_; }
    TSectTxt& Hints() { return hints_; }
    TTimer& TickTimer() { return tickTimer_; }
    TTimer& SecondTimer() { return secondTimer_; }
    TLabel& DebugLabel() { return debugLabel_; }
    TSound& Music() { return music_; }
    TWave& MusicWave() { return musicWave_; }
    int32_t ElementCount() const { return elements_.Count(); }
    TRoomElement* ElementAt(int32_t i) const { return elements_[i]; }
    int32_t PlayingSoundCount() const { return playing_.Count(); }
    TRoomSound* PlayingSoundAt(int32_t i) const { return playing_[i]; }
    int32_t StoppedSoundCount() const { return stopped_.Count(); }
    uint32_t Ticks() const { return ticks_; }
    // The display's context, which the room and its objects draw into.
    GdlDeviceContext* DisplayContext() const;
    // Draws the sky and the background into the display, clipped to
    // `deviceClip`.
    void DrawDirect(const TRectArea& deviceClip);

private:
    static ClipRect SkyClip(const ClipRect& clip, const RleSprite16* background, int32_t x,
                            int32_t y);
    static int32_t ActorPositions(void* room, const Point3D** positions);
    bool LoadContainer(TRlaFile& container, std::unique_ptr<RlaStdioStream>& stream,
                       const char* key);
    void RetireSound(int32_t index);
    void DeleteStoppedSounds();
    static void CleanUp(TRoomElement* element);

    TTimer tickTimer_;
    TTimer secondTimer_;
    TSectTxt hints_;
    std::unique_ptr<SpriteCanvas16> spriteCanvas_;
    TRlaFile background_;
    TRlaFile objects_;
    TRlaFile localItems_;
    std::unique_ptr<RlaStdioStream> backgroundStream_;
    std::unique_ptr<RlaStdioStream> objectsStream_;
    std::unique_ptr<RlaStdioStream> localItemsStream_;
    // The room's elements and its sounds, playing and stopped (each in one
    // list): a removed one is queued for deletion, as it may be in one of
    // its own handlers.
    OwningArray<TRoomElement, DeleteDeferred<TRoomElement>> elements_;
    OwningArray<TRoomSound, DeleteDeferred<TRoomSound>> playing_;
    OwningArray<TRoomSound, DeleteDeferred<TRoomSound>> stopped_;
    GrowArray<TRoomElement*> sorted_; // scratch of SortElements, kept between calls
    GrowArray<Point3D> actorPositions_;
    int32_t backgroundFrame_ = 0;
    int32_t playerActor_ = -1;
    uint32_t ticks_ = 0;
    uint8_t blocked_ = 0;
    TLabel debugLabel_;
    TSound music_;
    TWave musicWave_;
    Camera3D camera_;
    WayGraph wayGraph_;
    std::unique_ptr<WayFinder> wayFinder_;
    WayGraphView wayGraphView_;
    TSkyLayer sky_;
};
