// Folder search by the names the game uses: FindFirstFileA / FindNextFileA /
// FindClose over the same path mapper as every file open ('\\' to '/', the
// drive table, case-insensitive components).
//
// The last component of the name is a pattern: '*' and '?' match without
// regard to ASCII case, "*.*" matches everything. Names are long names only
// (no 8.3 aliases) and are bytes, as the mapper treats them. "." and ".." come
// first, then the entries sorted by name, so a search gives the same order on
// every file system; a mapped drive's root reports neither "." nor "..".
// An unmapped drive or a missing folder finds nothing.
#pragma once

#include "platform/Types.h"

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// Attributes as the search reports them: folder 0x10; read-only 0x01 when the
// owner may not write; archive 0x20 for regular files; normal 0x80 only when
// no other bit is set.
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_COMPRESSED 0x00000800

// Last-error codes of the search.
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NO_MORE_FILES 18L

// The first match and a handle for the rest, or INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND (no match) or ERROR_PATH_NOT_FOUND (no such folder).
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
// The next match; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData);
// Ends a search; FALSE with ERROR_INVALID_HANDLE for a handle that is not one.
BOOL FindClose(HANDLE findFile);

namespace platform {

// Whether `name` matches the search pattern (the rules above).
bool MatchesPattern(const char* pattern, const char* name);

} // namespace platform
