#include "RoomPaths.h"
#include "TRoom.h"

#include "foundation/TError.h"
#include "foundation/TFileCtl.h"

namespace {
constexpr const char* kSource = "Int\\All\\Source\\Room";
// The error texts' "the file does not exist".
constexpr int32_t kFileMissing = 2;
} // namespace

int32_t TRoom::Load() {
    if (*hints_.GetName()) {
        hints_.Release();
        hints_.SetName("");
    }
    const TString key = TString("txt") + name_.c_str();
    hints_.SetName(key.c_str());
    // A room without hint texts is silent, as are its missing pictures.
    if (TFileCtl::HasKey(hints_.GetFolder(), key.c_str())) hints_.Load();
    LoadContainer(background_, backgroundStream_,
                  (TString("rla") + name_.c_str() + "Back").c_str());
    LoadContainer(objects_, objectsStream_, (TString("rla") + name_.c_str() + "ObjAni").c_str());
    LoadContainer(localItems_, localItemsStream_,
                  (TString("rla") + name_.c_str() + "LocItem").c_str());
    return 0;
}

bool TRoom::LoadContainer(TRlaFile& container, std::unique_ptr<RlaStdioStream>& stream,
                          const char* key) {
    // A missing or empty key leaves the container closed: no other file
    // takes its place.
    container.Close();
    if (stream) stream->Close();
    TString path;
    if (!ResourceFile("Pictures", key, path)) return false;
    LoadRla(container, path.c_str());
    if (container.GetState() == TRlaFile::Reading) return true;
    // A key that names a file the room cannot read is a missing picture:
    // said like any other, not left for the player to guess from what the
    // screen showed before.
    TError::Raise(kFileMissing, nullptr, path.c_str(), kSource, __LINE__);
    return false;
}

int32_t TRoom::LoadRla(TRlaFile& container, const char* path) {
    std::unique_ptr<RlaStdioStream>& stream = &container == &background_ ? backgroundStream_
                                              : &container == &objects_  ? objectsStream_
                                                                         : localItemsStream_;
    container.Close();
    if (stream) {
        stream->Close();
    } else {
        stream.reset(new RlaStdioStream);
        if (!stream) {
            TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
            return 1;
        }
    }
    if (stream->Open(path, "rb")) container.Open(stream.get());
    return 1;
}
