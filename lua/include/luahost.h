/*
 * Host additions to the Lua 3.2 interface (not part of the published API).
 */
#ifndef LUAHOST_H
#define LUAHOST_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens files for dofile/lua_dofile and the io library. A host that maps
   names (e.g. Windows-style paths) installs its own; NULL restores fopen.
   Process-wide, like lua_state. Returns the previous hook. */
typedef FILE* (*lua_FileOpenHook)(const char* name, const char* mode);
lua_FileOpenHook lua_setfileopenhook(lua_FileOpenHook hook);
FILE* lua_openfile(const char* name, const char* mode);

/* Limits the number of VM instructions run in the current state: once
   `count` more have run, the VM raises "instruction budget exhausted"
   (again every further `count`). 0 = unlimited. For fuzzers and hosts
   that must not hang on runaway scripts. */
void lua_setinstructionbudget(long count);

/* Caps the memory of the current state (bytes; 0 = the default of 1 GB).
   Growing past it raises the error "not enough memory". */
void lua_setmemorylimit(size_t bytes);

#ifdef __cplusplus
}
#endif

#endif
