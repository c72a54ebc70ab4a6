/* A host written in C the way hosts of the 3.2 interface are: string
   lists of char*. Built with warnings as errors, so that the auxiliary
   library's declarations stay usable from C. */
#include "lauxlib.h"

int lauxlibCHostFindMode(const char* name);

int lauxlibCHostFindMode(const char* name) {
    static char* modes[] = {"set", "cur", "end", NULL};
    return luaL_findstring(name, modes);
}

/* A host command reading integers through the auxiliary macros: script
   numbers of any size, and NaN, convert by the libraries' rule. */
void lauxlibCHostIntegers(void);

void lauxlibCHostIntegers(void) {
    int i = luaL_check_int(1);
    long l = luaL_check_long(2);
    int oi = luaL_opt_int(3, 5);
    long ol = luaL_opt_long(4, 6);
    lua_pushnumber(i);
    lua_pushnumber((double)l);
    lua_pushnumber(oi);
    lua_pushnumber((double)ol);
}
