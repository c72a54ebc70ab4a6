// The file routines of every reader and the path search that finds their files.
#include "gdl/bitmap.h"
#include "gdl/driver.h"
#include "library_state.h"

#include "platform/File.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gdl_internal {

void* fileOpen(const char* path, const char* mode) {
    return platform::OpenFile(path, mode);
}
int fileClose(void* stream) {
    return std::fclose(static_cast<FILE*>(stream));
}
int fileSeek(void* stream, long offset, int origin) {
    static const int kOrigins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) return -1;
    return std::fseek(static_cast<FILE*>(stream), offset, kOrigins[origin]);
}
long fileTell(void* stream) {
    return std::ftell(static_cast<FILE*>(stream));
}
size_t fileRead(void* buffer, size_t size, size_t count, void* stream) {
    return std::fread(buffer, size, count, static_cast<FILE*>(stream));
}
size_t fileWrite(const void* buffer, size_t size, size_t count, void* stream) {
    return std::fwrite(buffer, size, count, static_cast<FILE*>(stream));
}

} // namespace gdl_internal

namespace {

// Tests a candidate path by opening and closing it.
bool CanOpen(const char* path, const char* mode) {
    void* stream = GDL_fileHooks.open(path, mode);
    if (!stream) return false;
    GDL_fileHooks.close(stream);
    return true;
}

// folder + backslash (unless it ends in one) + subfolder + name; false when it
// does not fit the buffer.
bool JoinPath(char* out, const char* folder, const char* subfolder, const char* name) {
    size_t len = std::strlen(folder);
    const char* sep = (len > 0 && (folder[len - 1] == '\\' || folder[len - 1] == '/')) ? "" : "\\";
    int n = std::snprintf(out, GDL_PATH_BUFFER, "%s%s%s%s", folder, sep, subfolder, name);
    return n > 0 && static_cast<size_t>(n) < GDL_PATH_BUFFER;
}

bool CopyName(char* out, const char* name) {
    int n = std::snprintf(out, GDL_PATH_BUFFER, "%s", name);
    return n >= 0 && static_cast<size_t>(n) < GDL_PATH_BUFFER;
}

} // namespace

const char GDL_BITMAPS_FOLDER[] = "BITMAPS\\";
const char GDL_ICONS_FOLDER[] = "ICONS\\";
const char GDL_CURSORS_FOLDER[] = "CURSORS\\";
const char GDL_FONTS_FOLDER[] = "FONTS\\";

int32_t GDL_fileLength(void* stream) {
    long here = GDL_fileHooks.tell(stream);
    GDL_fileHooks.seek(stream, 0, 2);
    long length = GDL_fileHooks.tell(stream);
    GDL_fileHooks.seek(stream, here, 0);
    if (length < 0) return 0;
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

int32_t GDL_findFile(char* pathBuffer, const char* subfolder, const char* name, const char* mode) {
    if (!pathBuffer || !name) return 0;
    if (CopyName(pathBuffer, name) && CanOpen(pathBuffer, mode)) return 1;

    const char* dir = GDL_libraryDirectory();
    if (dir && *dir && JoinPath(pathBuffer, dir, subfolder, name) && CanOpen(pathBuffer, mode))
        return 1;

    if (const char* root = std::getenv("GDL_ROOT")) {
        if (JoinPath(pathBuffer, root, subfolder, name) && CanOpen(pathBuffer, mode)) return 1;
        if (CopyName(pathBuffer, name) && CanOpen(pathBuffer, mode)) return 1;
    }
    return 0;
}

void* GDL_openFile(const char* subfolder, const char* name, const char* mode) {
    char path[GDL_PATH_BUFFER];
    if (!GDL_findFile(path, subfolder, name, mode)) return nullptr;
    return GDL_fileHooks.open(path, mode);
}
