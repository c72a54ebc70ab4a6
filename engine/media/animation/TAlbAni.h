// The album animation part: a picture album played as an animation, each
// entry a clip of frames. Read-only; opens are counted and must all read.
#pragma once

#include "media/animation/TAniRes.h"
#include "media/resources/TAlbum.h"

#include <cstdint>

class TAlbAni : public TAlbum, public virtual TAniRes {
public:
    TAlbAni();
    explicit TAlbAni(const char* name);

    uint32_t Update() override { return TAlbum::Update(); }
    using TAlbum::Open;
    // Reading only: the first open stores the mode, later ones must give the
    // same; a refused open changes nothing. Answers the mode's reading bit.
    int Open(int32_t mode);
    // One open fewer; the last clears the mode.
    int Close() override;
    int ReadFrame(int32_t index, int32_t clip);
    void FreeFrame();
};
