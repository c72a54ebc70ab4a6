// Files by the names the game uses. Resource names use '\\' and were made on a
// case-insensitive file system, so every name goes through one mapper:
//   - '\\' becomes '/';
//   - "E:\\x.ini" maps through the drive table (no drive is mapped by default,
//     so such a name reads as a missing file);
//   - a path that does not exist as written is matched component by component
//     without regard to ASCII case; when creating, the existing folders are
//     matched and a missing last component is created as written.
// Relative names resolve against the current directory; whoever wants them
// relative to the program's folder prefixes that folder first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

enum class PathUse { Read, Create };

// The host path for `path`; empty when it names an unmapped drive.
std::string MapPath(const char* path, PathUse use);

// Maps drive `letter` (either case) to a host folder; null or "" unmaps it.
void MapDrive(char letter, const char* folder);
void UnmapAllDrives();
// The host folder of drive `letter`; empty when it is not mapped.
std::string DriveFolder(char letter);

// fopen through the mapper: modes starting with 'r' look the name up for
// reading, 'w' and 'a' for creating; "t" (text) is accepted and means nothing
// here. Null with errno set on failure (ENOENT for an unmapped drive, EISDIR
// for a folder).
FILE* OpenFile(const char* path, const char* mode);

bool FileExists(const char* path);                // a regular file or folder by that name
bool DirectoryExists(const char* path);           // a folder by that name
int64_t FileSize(const char* path);               // -1 when missing
int RemoveFile(const char* path);                 // 0 on success, like remove()
int RenameFile(const char* from, const char* to); // 0 on success, like rename()

// Replaces the file `path` by `size` bytes of `data` so that a failure at any
// point leaves the previous file as it was: the bytes go to a temporary file
// in the same folder, are flushed to the disk and renamed over the target,
// then the folder is flushed. 0 on success; -1 with errno set, and no
// temporary file left behind, on failure.
int ReplaceFile(const char* path, const void* data, size_t size);

// Makes one step of every later ReplaceFile fail (EIO) until reset to None.
enum class ReplaceStep { None, Create, Write, Flush, Rename };
void FailReplaceStepForTests(ReplaceStep step);

// A new file of a unique name in `folder` (a game-style name, drive letters
// and '\\' allowed; a separator is added when missing), made empty so that
// nobody else takes the name: its name in the folder's own form, or empty
// when the folder cannot take one.
std::string TempFileName(const char* folder);

// The text of a C runtime error number, like strerror but thread-safe.
std::string ErrorText(int errorNumber);

} // namespace platform
