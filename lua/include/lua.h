/*
 * Lua 3.2 -- the published C interface of the interpreter.
 * Every function acts on the current state, lua_state.
 */
#ifndef LUA_H
#define LUA_H

#define LUA_VERSION "Lua 3.2.1"
#define LUA_COPYRIGHT "Copyright (C) 1994-1999 TeCGraf, PUC-Rio"
#define LUA_AUTHORS "W. Celes, R. Ierusalimschy & L. H. de Figueiredo"

#define LUA_NOOBJECT 0
#define LUA_ANYTAG (-1)

#ifdef __cplusplus
extern "C" {
#endif

typedef struct lua_State lua_State;
extern lua_State* lua_state;

typedef void (*lua_CFunction)(void);
typedef unsigned int lua_Object;

/* states */
void lua_open(void);
void lua_close(void);
lua_State* lua_setstate(lua_State* st);

/* tags and tag methods */
lua_Object lua_settagmethod(int tag, const char* event); /* method from C2lua */
lua_Object lua_gettagmethod(int tag, const char* event);
int lua_newtag(void);
int lua_copytagmethods(int tagto, int tagfrom);
void lua_settag(int tag); /* table or userdata from C2lua */

/* errors */
void lua_error(const char* s);

/* running code; 0 on success */
int lua_dofile(const char* filename);
int lua_dostring(const char* string);
int lua_dobuffer(const char* buff, int size, const char* name);
int lua_callfunction(lua_Object f);

/* blocks bound the lifetime of handles */
void lua_beginblock(void);
void lua_endblock(void);

lua_Object lua_lua2C(int number);
#define lua_getparam(n) lua_lua2C(n)
#define lua_getresult(n) lua_lua2C(n)

/* type tests */
int lua_isnil(lua_Object object);
int lua_istable(lua_Object object);
int lua_isuserdata(lua_Object object);
int lua_iscfunction(lua_Object object);
int lua_isnumber(lua_Object object);
int lua_isstring(lua_Object object);
int lua_isfunction(lua_Object object);

/* conversion to C */
double lua_getnumber(lua_Object object);
char* lua_getstring(lua_Object object);
long lua_strlen(lua_Object object);
lua_CFunction lua_getcfunction(lua_Object object);
void* lua_getuserdata(lua_Object object);

/* pushing values onto C2lua */
void lua_pushnil(void);
void lua_pushnumber(double n);
void lua_pushlstring(const char* s, long len);
void lua_pushstring(const char* s);
void lua_pushcclosure(lua_CFunction fn, int n);
void lua_pushusertag(void* u, int tag);
void lua_pushobject(lua_Object object);
lua_Object lua_pop(void);

/* globals */
lua_Object lua_getglobal(const char* name);
lua_Object lua_rawgetglobal(const char* name);
void lua_setglobal(const char* name);    /* value from C2lua */
void lua_rawsetglobal(const char* name); /* value from C2lua */

/* tables */
void lua_settable(void);          /* table, index and value from C2lua */
void lua_rawsettable(void);       /* table, index and value from C2lua */
lua_Object lua_gettable(void);    /* table and index from C2lua */
lua_Object lua_rawgettable(void); /* table and index from C2lua */
lua_Object lua_createtable(void);

int lua_tag(lua_Object object);

/* traversal */
char* lua_nextvar(const char* varname);
int lua_next(lua_Object o, int i);

/* references */
int lua_ref(int lock); /* value from C2lua */
lua_Object lua_getref(int ref);
void lua_unref(int ref);

long lua_collectgarbage(long limit);

lua_Object lua_seterrormethod(void); /* new handler from C2lua */

#ifdef __cplusplus
}
#endif

#define lua_call(name) lua_callfunction(lua_getglobal(name))
#define lua_pushref(ref) lua_pushobject(lua_getref(ref))
#define lua_refobject(o, l) (lua_pushobject(o), lua_ref(l))
#define lua_register(n, f) (lua_pushcfunction(f), lua_setglobal(n))
#define lua_pushuserdata(u) lua_pushusertag(u, 0)
#define lua_pushcfunction(f) lua_pushcclosure(f, 0)
#define lua_clonetag(t) lua_copytagmethods(lua_newtag(), (t))

#endif
