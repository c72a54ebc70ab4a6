/*
** Auxiliary functions for writing C functions callable from Lua: argument
** checks that raise the standard "bad argument" message, registration of
** function lists and a growable character buffer.
*/
#ifndef lauxlib_h
#define lauxlib_h

#include <stddef.h> /* NULL, used by the macros below */

#include "lua.h"

#ifdef __cplusplus
extern "C" {
#endif

struct luaL_reg {
    const char* name;
    lua_CFunction func;
};

/* Registers the first n entries of l as global functions. */
void luaL_openlib(const struct luaL_reg* l, int n);

/* Raises "bad argument #numarg to function `NAME' (extramsg)". Inside Lua
   it does not return; called by a host outside any protected call it
   reports the message and returns, and the checks below then return a
   neutral value (0, "", LUA_NOOBJECT). */
void luaL_argerror(int numarg, const char* extramsg);
#define luaL_arg_check(cond, numarg, extramsg)                                                     \
    if (!(cond)) luaL_argerror(numarg, extramsg)

char* luaL_check_lstr(int numArg, long* len);
char* luaL_opt_lstr(int numArg, const char* def, long* len);
#define luaL_check_string(n) (luaL_check_lstr((n), NULL))
#define luaL_opt_string(n, o) (luaL_opt_lstr((n), (o), NULL))
double luaL_check_number(int numArg);
double luaL_opt_number(int numArg, double def);
/* A number as a C int or long: toward zero, and the type's smallest value
   for NaN and out-of-range numbers, where a plain cast is undefined. The
   libraries convert their integer arguments the same way. */
int luaL_castint(double d);
long luaL_castlong(double d);
#define luaL_check_int(n) (luaL_castint(luaL_check_number(n)))
#define luaL_check_long(n) (luaL_castlong(luaL_check_number(n)))
#define luaL_opt_int(n, d) (luaL_castint(luaL_opt_number(n, d)))
#define luaL_opt_long(n, d) (luaL_castlong(luaL_opt_number(n, d)))
lua_Object luaL_functionarg(int arg);
lua_Object luaL_tablearg(int arg);
lua_Object luaL_nonnullarg(int numArg);

/* lua_error with a printf-formatted message; returns only where lua_error
   does (outside any protected call, after the report). */
void luaL_verror(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
/* 0-based index of name in the NULL-terminated list, or -1. C hosts pass
   lists of char* (the type of their string literals), C++ hosts lists of
   const char*; each language sees the declaration that takes its own lists
   without a warning, and both name the same function. */
#ifdef __cplusplus
int luaL_findstring(const char* name, const char* const list[]);
#else
int luaL_findstring(const char* name, char* const list[]);
#endif
/* Short description of a chunk source for messages, at most len bytes with the 0. */
void luaL_chunkid(char* out, const char* source, int len);
/* "@" followed by the file name, at most len bytes with the 0. */
void luaL_filesource(char* out, const char* filename, int len);

/* A growable character buffer shared by the libraries. */
char* luaL_openspace(int size);
void luaL_resetbuffer(void);
void luaL_addchar(int c);
int luaL_getsize(void);
void luaL_addsize(int n);
int luaL_newbuffer(int size);
void luaL_oldbuffer(int old);
char* luaL_buffer(void);

#ifdef __cplusplus
}
#endif

#endif
