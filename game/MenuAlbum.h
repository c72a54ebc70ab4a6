// The menu's scroll-bar album (picMenuScrollBar, an album read directly)
// as a picture that style records take: each frame locked is the album's,
// the sizes are the album's. The album is the named resource; this is only
// a view of it, as long as a page lives.
#pragma once

#include "foundation/TRef.h"
#include "foundation/TResource.h"
#include "media/resources/TAlbum.h"
#include "media/resources/TPicture.h"

class MenuAlbum : public TResource, public TPicture {
public:
    explicit MenuAlbum(const char* key);
    ~MenuAlbum() override;

    int Lock(int32_t frame, int32_t entry) override;
    int Unlock() override;
    int32_t GetWidthOf(int32_t frame, int32_t entry) override;
    int32_t GetWidth() override;
    int32_t GetHeightOf(int32_t frame, int32_t entry) override;
    int32_t GetHeight() override;

private:
    TRef<TAlbum> album_;
};
