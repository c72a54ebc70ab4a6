/* A host written in C the way hosts of the 3.2 interface are: string
   lists of char*. Built with warnings as errors, so that the auxiliary
   library's declarations stay usable from C. */
#include "lauxlib.h"

int lauxlibCHostFindMode(const char* name);

int lauxlibCHostFindMode(const char* name) {
    static char* modes[] = {"set", "cur", "end", NULL};
    return luaL_findstring(name, modes);
}
