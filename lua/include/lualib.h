/*
** Openers of the standard libraries. Each opener first opens the current
** state (lua_open) and then registers its functions as global variables.
*/
#ifndef lualib_h
#define lualib_h

#include "lua.h"

#ifdef __cplusplus
extern "C" {
#endif

void lua_iolibopen(void);   /* I/O and operating-system functions */
void lua_strlibopen(void);  /* string functions */
void lua_mathlibopen(void); /* mathematical functions, PI and the "pow" tag method */
void lua_dblibopen(void);   /* reflexive debug functions */
void lua_userinit(void);    /* all four, as the stand-alone program has them */

#ifdef __cplusplus
}
#endif

#endif
