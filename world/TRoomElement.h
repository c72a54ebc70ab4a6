// The base of everything placed in a room: objects, actors, click zones,
// sounds and the sky. A control with a world position, the script table that
// stands for it, a name, flags, a picture source and an optional effect.
#pragma once

#include "AnimEntry.h"
#include "Point3D.h"
#include "RoomGlobals.h"

#include "foundation/TRef.h"
#include "foundation/TString.h"
#include "ui/TControl.h"

#include <cstdint>

class Camera3D;
class SpanEffect;
class SpriteCanvas16;
class TRlaFile;
class TRoom;
struct GdlBitmap;

// Sets the brightness and redraws the room.
void SetGlobalBrightness(float level);

class TRoomElement : public TControl {
public:
    enum Type : int32_t { tyObject = 0, tyActor = 1, tyZone = 2, tySound = 3, tySky = 4 };
    enum Flags : uint32_t {
        efSelectable = 0x01,
        efDepthScaling = 0x04,
        efLookAt = 0x08,
        efScaled = 0x10,
        efFaceProjected = 0x20,
    };

    TRoomElement();
    ~TRoomElement() override;

    // --- The element's own operations ---
    virtual int32_t GetType() const = 0;
    virtual void StopAnimation() {}
    // Stores the position and re-orders the room.
    virtual void SetPosition(const Point3D& position);
    virtual GdlBitmap* RenderFrame() { return nullptr; }
    // Only the sky draws here, at (originX, originY) on the canvas's target.
    virtual void DrawLayer(Camera3D& camera, SpriteCanvas16& canvas, int32_t originX,
                           int32_t originY);

    // Common set-up in the room: style, hover handlers, position (0, 0, 0),
    // shown in the room.
    void Attach(TRoom* room);
    // Releases the script reference and hides the element.
    virtual void Detach();

    using TControl::OnMouseEnter;
    using TControl::OnMouseLeave;
    int OnMouseEnter(TObject* sender, TEvent* event);
    int OnMouseLeave(TObject* sender, TEvent* event);

    const Point3D* GetPosition() const { return &position_; }
    void SetDepth(int32_t depth);
    int32_t GetDepthWord() const { return depth_; }
    void SetEffect(SpanEffect* effect, int32_t parameter);
    void ClearEffect();
    SpanEffect* GetEffect() const { return effect_; }
    int32_t GetEffectParameter() const { return effectParameter_; }
    // Pixel-exact: whether (x, y), in the room's parent coordinates, falls on
    // an opaque pixel of the entry's frame.
    bool HitFrame(const AnimEntry* entry, int32_t x, int32_t y);

    // The element's name is the named object's.
    void SetName(const char* name) { name_ = name ? name : ""; }
    const TString& GetName() const { return name_; }
    void SetSource(TRlaFile* source) { source_ = source; }
    TRlaFile* GetSource() const { return source_; }
    uint32_t GetElementFlags() const { return elementFlags_; }
    void SetElementFlags(uint32_t flags) { elementFlags_ = flags; }
    int32_t CachedType() const { return type_; }
    // Whether `room` attached the element (and is still alive).
    bool BelongsTo(const TRoom* room) const;

    int32_t scriptRef = -1;

protected:
    uint32_t elementFlags_ = efSelectable;
    int32_t depth_ = 0;
    Point3D position_;
    TRlaFile* source_ = nullptr;
    SpanEffect* effect_ = nullptr;
    int32_t effectParameter_ = 0;
    int32_t type_ = -1;
    TRef<TRoom> room_; // checked: the room may go before its queued elements
};

// A click zone: an invisible rectangle that takes clicks; outlined while the
// developer option ShowZones is on.
class TRoomZone : public TRoomElement {
public:
    int32_t GetType() const override { return tyZone; }
    void Draw() override;
    void Init(TRoom* room);
};
