// The registry: an in-memory store of keys and values, kept in a file in the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config, folder
// "adventure", file "registry.dat") and written back after every change.
#pragma once

#include "platform/Types.h"

// Predefined roots; like Windows they are sign-extended 32-bit values.
#define HKEY_CLASSES_ROOT ((HKEY)(intptr_t)(int32_t)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(intptr_t)(int32_t)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(intptr_t)(int32_t)0x80000002)
#define HKEY_USERS ((HKEY)(intptr_t)(int32_t)0x80000003)

typedef DWORD REGSAM;
typedef HKEY* PHKEY;

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L

// All return ERROR_* codes. Key paths are '\\'-separated and case-insensitive.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                     REGSAM access, void* security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// With `data` null only the type and size are reported; a buffer too small
// gives ERROR_MORE_DATA with the needed size.
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegDeleteValueA(HKEY key, LPCSTR name);

namespace platform {

// Path of the file the store is kept in.
const char* RegistryFilePath();

} // namespace platform
