// The picture resource: found in the folder "Pictures" by its name, its
// format chosen by the file's extension (BMP, PCX, JPEG, icon or album),
// offering one picture interface whatever the format. The loaded record is
// the graphics library's bitmap record.
#pragma once

#include "media/resources/TAlbum.h"
#include "media/resources/TImageRes.h"
#include "media/resources/TPicture.h"

#include <cstdint>

class TMetaImg : public TAlbum,
                 public TBMPImg,
                 public TPCXImg,
                 public TJPGImg,
                 public TICOImg,
                 public virtual TPicture {
public:
    enum Kind : int32_t { kNone = 0, kBmp, kPcx, kPic, kJpeg, kIcon, kAlbum };

    TMetaImg();
    explicit TMetaImg(const char* name);
    ~TMetaImg() override;

    uint32_t Update() override;
    int Open() override;
    int Close() override;
    int Load() override;
    int Release() override;

    int Lock(int32_t frame, int32_t entry) override;
    int Unlock() override { return TMetaImg::Release(); }
    int32_t GetWidthOf(int32_t frame, int32_t entry) override;
    int32_t GetWidth() override;
    int32_t GetHeightOf(int32_t frame, int32_t entry) override;
    int32_t GetHeight() override;

    Kind GetKind() const { return kind_; }

protected:
    // Which format to read, from the extension after the path's last dot.
    void ChooseFormat(const char* source);

private:
    Kind kind_ = kNone;
};
