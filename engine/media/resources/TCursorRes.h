// The cursor resources: a system cursor (a CUR file read by the graphics
// library, or the program's own cursor resource by name) and a picture
// cursor (any picture or album, animated frame by frame), both with a hot
// spot, behind one proxy that chooses the kind by the file's extension.
#pragma once

#include "foundation/TPoint.h"
#include "media/resources/TMetaImg.h"
#include "platform/User.h"

#include <cstdint>

class TCursorRes : public virtual TResource {
public:
    enum Type : int32_t { kNoCursor = 0, kSystem = 1, kPicture = 2 };

    TCursorRes();
    virtual int LockModule(int32_t frame, int32_t entry, HINSTANCE module) = 0;
    virtual int LoadModule(HINSTANCE module) = 0;
    virtual int Unlock() = 0;
    virtual HCURSOR GetHandle() = 0;

    Type GetType() const { return type_; }

protected:
    Type type_ = kNoCursor;
    TPoint hotSpot_{0, 0};
};

void* LoadCursorFile(const char* path);
void FreeCursorFile(void* record);

// The system-cursor part.
class TWinCur : public virtual TCursorRes {
public:
    TWinCur();
    int LoadCursor(HINSTANCE module);
    int ReleaseCursor();
    HCURSOR GetWinHandle() const { return handle_; }

protected:
    HCURSOR handle_ = nullptr;
};

class TMetaCur : public TMetaImg, public TWinCur {
public:
    TMetaCur();
    explicit TMetaCur(const char* name);
    ~TMetaCur() override;

    uint32_t Update() override;
    int Load() override;
    int Release() override;
    int Open() override;
    int Close() override;
    int Lock(int32_t frame, int32_t entry) override;
    int Unlock() override;
    int LockModule(int32_t frame, int32_t entry, HINSTANCE module) override;
    int LoadModule(HINSTANCE module) override;
    HCURSOR GetHandle() override { return handle_; }

    GdlCursor* GetCursorRecord() const;
    GdlBitmap* GetPictureRecord() const;
    int32_t GetCursorWidth() const;
    int32_t GetCursorHeight() const;
    TPoint GetHotSpot() const;
    void SetHotSpot(const TPoint& hot);
};
