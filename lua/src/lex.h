// The lexer, with the pre-processor directives that start a line with `$`.
#pragma once

#include <string>

#include "state.h"

namespace lua32 {

enum Token : int {
    TK_AND = 257,
    TK_DO,
    TK_ELSE,
    TK_ELSEIF,
    TK_END,
    TK_FUNCTION,
    TK_IF,
    TK_LOCAL,
    TK_NIL,
    TK_NOT,
    TK_OR,
    TK_REPEAT,
    TK_RETURN,
    TK_THEN,
    TK_UNTIL,
    TK_WHILE,
    TK_NAME,
    TK_CONC,
    TK_DOTS,
    TK_EQ,
    TK_GE,
    TK_LE,
    TK_NE,
    TK_NUMBER,
    TK_STRING,
    TK_EOS
};

constexpr int kMaxIfs = 5; // level 0 is the unconditional text

struct LexState {
    lua_State* L;
    ZIO* z;
    int current;
    int token;
    double numval;
    TString* strval;
    int linenumber;
    int lastline; // line of the last token consumed
    TString* source;
    std::string buff; // text of the token being read (for messages)
    int debug;        // $debug / $nodebug while this chunk compiles
    struct IfState {
        bool elsepart;
        bool condition;
        bool skip;
    } ifstate[kMaxIfs];
    int iflevel;
    bool endinput;
};

void lexinit(lua_State* L); // marks the reserved words
void lexsetinput(LexState* ls, lua_State* L, ZIO* z, TString* source);
int lex(LexState* ls);
[[noreturn]] void lexerror(LexState* ls, const char* msg, int token);
[[noreturn]] void syntaxerror(LexState* ls, const char* msg);
std::string token2str(int token);
std::string chunkid(const TString* source);

} // namespace lua32
