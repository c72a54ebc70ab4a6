// The image parts of the picture proxy: each reads one file format through
// the graphics library's readers and installs its loader in the shared
// resource. BMP, PCX and JPEG share the counted life cycle of the resource
// base; the icon part shows the icon's colour bitmap as its data.
#pragma once

#include "foundation/TResource.h"

#include <cstdint>

// The library's last result text, cleared; null when there is none.
const char* GetGraphicsErrorText();
// The unloader of every library record (one heap block each).
void FreeImageRecord(void* record);

void* LoadBmpFile(const char* path);
void* LoadPcxFile(const char* path);
void* LoadJpegFile(const char* path);
void* LoadIconFile(const char* path);

class TImageRes : public virtual TResource {
public:
    int LoadImage() { return TResource::Load(); }
    int ReleaseImage() { return TResource::Release(); }
};

class TBMPImg : public virtual TImageRes {
public:
    TBMPImg();
};

class TPCXImg : public virtual TImageRes {
public:
    TPCXImg();
};

class TJPGImg : public virtual TImageRes {
public:
    TJPGImg();
};

class TICOImg : public virtual TImageRes {
public:
    TICOImg();
    // Counted; the data is the icon's colour bitmap while loaded.
    int LoadIcon();
    int ReleaseIcon();

private:
    void* icon_ = nullptr;
};
