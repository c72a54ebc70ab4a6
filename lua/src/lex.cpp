// Lexical analysis and the pre-processor.
#include "lex.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace lua32 {

namespace {

constexpr int EOZ = -1;

const char* const kReserved[] = {"and",    "do",    "else",  "elseif", "end", "function",
                                 "if",     "local", "nil",   "not",    "or",  "repeat",
                                 "return", "then",  "until", "while"};

inline void next(LexState* ls) {
    if (ls->z->n > 0) {
        ls->z->n--;
        ls->current = static_cast<unsigned char>(*ls->z->p++);
    } else {
        ls->current = EOZ;
    }
}

inline void save(LexState* ls, int c) {
    ls->buff.push_back(static_cast<char>(c));
}
inline void save_and_next(LexState* ls) {
    save(ls, ls->current);
    next(ls);
}

bool isnamechar(int c) {
    return c != EOZ && (std::isalnum(c) || c == '_');
}

void skipblanks(LexState* ls) {
    while (ls->current == ' ' || ls->current == '\t' || ls->current == '\r')
        next(ls);
}

void restofline_empty(LexState* ls) {
    skipblanks(ls);
    if (ls->current != '\n' && ls->current != EOZ) lexerror(ls, "invalid pragma format", TK_NAME);
}

bool readcondition(LexState* ls) {
    skipblanks(ls);
    std::string word;
    while (ls->current != EOZ && ls->current != '\n' && !std::isspace(ls->current)) {
        word.push_back(static_cast<char>(ls->current));
        next(ls);
    }
    ls->buff = word;
    bool valid = !word.empty() && !std::isdigit(static_cast<unsigned char>(word[0]));
    for (char c : word)
        valid = valid && isnamechar(static_cast<unsigned char>(c));
    bool result;
    if (word == "nil")
        result = false;
    else if (word == "1")
        result = true;
    else if (valid)
        result = newlstr(ls->L, word.data(), word.size())->gval.tt != T_NIL;
    else
        lexerror(ls, "invalid $if condition", TK_NAME);
    restofline_empty(ls);
    return result;
}

bool skipping(const LexState* ls) {
    return ls->ifstate[ls->iflevel].skip;
}

// A directive line: `$` is current. Leaves the end of the line current.
void pragma(LexState* ls) {
    // a directive may come inside a long string: keep the text read so far
    std::string saved = std::move(ls->buff);
    next(ls);
    ls->buff.clear();
    while (isnamechar(ls->current))
        save_and_next(ls);
    const std::string w = ls->buff;
    if (w == "debug" || w == "nodebug") {
        restofline_empty(ls);
        if (!skipping(ls)) ls->debug = (w == "debug");
    } else if (w == "endinput") {
        if (!skipping(ls)) {
            ls->current = EOZ;
            ls->z->n = 0;
            ls->endinput = true;
        } else {
            while (ls->current != '\n' && ls->current != EOZ)
                next(ls);
        }
    } else if (w == "end") {
        restofline_empty(ls);
        if (ls->iflevel <= 0) lexerror(ls, "unmatched $end", TK_NAME);
        ls->iflevel--;
    } else if (w == "if" || w == "ifnot") {
        if (ls->iflevel == kMaxIfs - 1) lexerror(ls, "too many nested $ifs", TK_NAME);
        bool cond = readcondition(ls);
        if (w == "ifnot") cond = !cond;
        bool outer = skipping(ls);
        ls->iflevel++;
        ls->ifstate[ls->iflevel] = {false, cond, outer || !cond};
    } else if (w == "else") {
        restofline_empty(ls);
        LexState::IfState& s = ls->ifstate[ls->iflevel];
        if (ls->iflevel <= 0 || s.elsepart) lexerror(ls, "unmatched $else", TK_NAME);
        s.elsepart = true;
        s.skip = ls->ifstate[ls->iflevel - 1].skip || s.condition;
    } else {
        lexerror(ls, "unknown pragma", TK_NAME);
    }
    ls->buff = std::move(saved);
}

// At the start of a line: directives, and the lines a false $if skips.
void linestart(LexState* ls) {
    for (;;) {
        if (ls->current == '$') {
            pragma(ls);
            // the directive's whole line goes, also inside a long string
            if (!skipping(ls) && ls->current == '\n') {
                next(ls);
                ls->linenumber++;
                continue;
            }
        }
        if (!skipping(ls)) return;
        while (ls->current != '\n' && ls->current != EOZ)
            next(ls);
        if (ls->current == EOZ) {
            ls->buff = "<eof>";
            lexerror(ls, "input ends inside a $if", TK_EOS);
        }
        next(ls);
        ls->linenumber++;
    }
}

void inclinenumber(LexState* ls) {
    next(ls);
    ls->linenumber++;
    linestart(ls);
}

void read_long_string(LexState* ls) {
    int cont = 0;
    save_and_next(ls); // second '['
    for (;;) {
        switch (ls->current) {
            case EOZ: lexerror(ls, "unfinished long string", TK_STRING);
            case '[':
                save_and_next(ls);
                if (ls->current == '[') {
                    cont++;
                    save_and_next(ls);
                }
                continue;
            case ']':
                save_and_next(ls);
                if (ls->current == ']') {
                    if (cont == 0) {
                        save_and_next(ls);
                        ls->strval = newlstr(ls->L, ls->buff.data() + 2, ls->buff.size() - 4);
                        return;
                    }
                    cont--;
                    save_and_next(ls);
                }
                continue;
            case '\n':
                save(ls, '\n');
                inclinenumber(ls);
                continue;
            default: save_and_next(ls);
        }
    }
}

void read_string(LexState* ls, int del) {
    std::string value;
    save_and_next(ls);
    while (ls->current != del) {
        switch (ls->current) {
            case EOZ:
            case '\n': lexerror(ls, "unfinished string", TK_STRING);
            case '\\': {
                save_and_next(ls);
                int c = ls->current;
                switch (c) {
                    case 'a': c = '\a'; break;
                    case 'b': c = '\b'; break;
                    case 'f': c = '\f'; break;
                    case 'n': c = '\n'; break;
                    case 'r': c = '\r'; break;
                    case 't': c = '\t'; break;
                    case 'v': c = '\v'; break;
                    case '\n':
                        save(ls, '\n');
                        inclinenumber(ls);
                        value.push_back('\n');
                        continue;
                    case EOZ: lexerror(ls, "unfinished string", TK_STRING);
                    default:
                        if (std::isdigit(c)) {
                            int n = 0;
                            int i = 0;
                            do {
                                n = 10 * n + (ls->current - '0');
                                save_and_next(ls);
                            } while (++i < 3 && ls->current != EOZ && std::isdigit(ls->current));
                            if (n > 255) lexerror(ls, "escape sequence too large", TK_STRING);
                            value.push_back(static_cast<char>(n));
                            continue;
                        }
                }
                save_and_next(ls);
                value.push_back(static_cast<char>(c));
                continue;
            }
            default: value.push_back(static_cast<char>(ls->current)); save_and_next(ls);
        }
    }
    save_and_next(ls);
    ls->strval = newlstr(ls->L, value.data(), value.size());
}

void read_number(LexState* ls) {
    while (ls->current != EOZ && std::isdigit(ls->current))
        save_and_next(ls);
    if (ls->current == '.') {
        save_and_next(ls);
        if (ls->current == '.') {
            save(ls, '.');
            lexerror(ls, "ambiguous syntax (decimal point x string concatenation)", TK_NUMBER);
        }
    }
    while (ls->current != EOZ && std::isdigit(ls->current))
        save_and_next(ls);
    if (ls->current == 'e' || ls->current == 'E') {
        save_and_next(ls);
        if (ls->current == '+' || ls->current == '-') save_and_next(ls);
        if (ls->current == EOZ || !std::isdigit(ls->current))
            lexerror(ls, "invalid numeric format", TK_NUMBER);
        while (ls->current != EOZ && std::isdigit(ls->current))
            save_and_next(ls);
    }
    if (!str2number(ls->buff.data(), ls->buff.size(), &ls->numval))
        lexerror(ls, "invalid numeric format", TK_NUMBER);
}

} // namespace

void lexinit(lua_State* L) {
    for (int i = 0; i < 16; i++) {
        TString* s = newstr(L, kReserved[i]);
        s->reserved = static_cast<uint8_t>(i + 1);
        fixobject(s);
    }
}

std::string token2str(int token) {
    if (token < 256) return std::string(1, static_cast<char>(token));
    if (token < TK_NAME) return kReserved[token - TK_AND];
    switch (token) {
        case TK_NAME: return "NAME";
        case TK_CONC: return "..";
        case TK_DOTS: return "...";
        case TK_EQ: return "==";
        case TK_GE: return ">=";
        case TK_LE: return "<=";
        case TK_NE: return "~=";
        case TK_NUMBER: return "<number>";
        case TK_STRING: return "<string>";
        default: return "<eof>";
    }
}

std::string chunkid(const TString* source) {
    const char* s = source->data;
    if (*s == '@') return std::string("file `") + (s + 1) + "'";
    if (std::strcmp(s, "(C)") == 0) return "(C code)";
    size_t len = std::strcspn(s, "\n");
    bool cut = s[len] != '\0';
    if (len > 67) {
        len = 67;
        cut = true;
    }
    return "string `" + std::string(s, len) + (cut ? "..." : "") + "'";
}

void lexerror(LexState* ls, const char* msg, int token) {
    std::string tok = ls->buff;
    if (token == TK_EOS && tok.empty()) tok = "<eof>";
    if (tok.size() == 1 && std::iscntrl(static_cast<unsigned char>(tok[0])) && tok[0] != '\n') {
        char b[8];
        std::snprintf(b, sizeof b, "0x%02x", static_cast<unsigned char>(tok[0]));
        tok = b;
    }
    char line[32];
    std::snprintf(line, sizeof line, "%d", ls->linenumber);
    std::string m = std::string(msg) + ";\n  last token read: `" + tok + "' at line " + line +
                    " in " + chunkid(ls->source);
    runerror(ls->L, m.c_str());
}

void syntaxerror(LexState* ls, const char* msg) {
    lexerror(ls, msg, ls->token);
}

void lexsetinput(LexState* ls, lua_State* L, ZIO* z, TString* source) {
    ls->L = L;
    ls->z = z;
    ls->source = source;
    ls->linenumber = 1;
    ls->lastline = 1;
    ls->iflevel = 0;
    ls->ifstate[0] = {false, true, false};
    ls->endinput = false;
    ls->debug = L->debug;
    ls->token = 0;
    next(ls);
    if (ls->current == '#') {
        while (ls->current != '\n' && ls->current != EOZ)
            next(ls);
    } else {
        linestart(ls);
    }
}

int lex(LexState* ls) {
    for (;;) {
        ls->buff.clear();
        switch (ls->current) {
            case ' ':
            case '\t':
            case '\r':
            case '\f':
            case '\v': next(ls); continue;
            case '\n': inclinenumber(ls); continue;
            case '-':
                save_and_next(ls);
                if (ls->current != '-') return '-';
                while (ls->current != '\n' && ls->current != EOZ)
                    next(ls);
                continue;
            case '[':
                save_and_next(ls);
                if (ls->current != '[') return '[';
                read_long_string(ls);
                return TK_STRING;
            case '=':
                save_and_next(ls);
                if (ls->current != '=') return '=';
                save_and_next(ls);
                return TK_EQ;
            case '<':
                save_and_next(ls);
                if (ls->current != '=') return '<';
                save_and_next(ls);
                return TK_LE;
            case '>':
                save_and_next(ls);
                if (ls->current != '=') return '>';
                save_and_next(ls);
                return TK_GE;
            case '~':
                save_and_next(ls);
                if (ls->current != '=') return '~';
                save_and_next(ls);
                return TK_NE;
            case '"':
            case '\'': read_string(ls, ls->current); return TK_STRING;
            case '.':
                save_and_next(ls);
                if (ls->current == '.') {
                    save_and_next(ls);
                    if (ls->current == '.') {
                        save_and_next(ls);
                        return TK_DOTS;
                    }
                    return TK_CONC;
                }
                if (ls->current == EOZ || !std::isdigit(ls->current)) return '.';
                read_number(ls);
                return TK_NUMBER;
            case EOZ:
                ls->buff = "<eof>";
                if (ls->iflevel > 0 && !ls->endinput)
                    lexerror(ls, "input ends inside a $if", TK_EOS);
                return TK_EOS;
            default:
                if (std::isdigit(ls->current)) {
                    read_number(ls);
                    return TK_NUMBER;
                }
                if (std::isalpha(ls->current) || ls->current == '_') {
                    do
                        save_and_next(ls);
                    while (isnamechar(ls->current));
                    TString* ts = newlstr(ls->L, ls->buff.data(), ls->buff.size());
                    if (ts->reserved) return TK_AND + ts->reserved - 1;
                    ls->strval = ts;
                    return TK_NAME;
                }
                if (std::iscntrl(ls->current)) {
                    save(ls, ls->current);
                    lexerror(ls, "invalid control char", 0);
                }
                {
                    int c = ls->current;
                    save_and_next(ls);
                    return c;
                }
        }
    }
}

} // namespace lua32
