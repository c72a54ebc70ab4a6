// Interned strings, number <-> text conversion and global names.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state.h"

namespace lua32 {

namespace {

// Long strings are sampled, so building a long string piece by piece does
// not hash the whole text at each step.
uint32_t hashstr(const char* s, size_t l) {
    uint32_t h = static_cast<uint32_t>(l);
    size_t step = (l >> 5) + 1;
    for (size_t i = l; i >= step; i -= step)
        h = h ^ ((h << 5) + (h >> 2) + static_cast<unsigned char>(s[i - 1]));
    return h;
}

// Moves every string into the bucket array `nt` and frees the old one.
void movestrings(lua_State* L, TString** nt, uint32_t newsize) {
    for (uint32_t i = 0; i < L->strsize; i++) {
        TString* s = L->strt[i];
        while (s) {
            TString* next = s->hnext;
            uint32_t h = s->hash & (newsize - 1);
            s->hnext = nt[h];
            nt[h] = s;
            s = next;
        }
    }
    lfree(L, L->strt, L->strsize * sizeof(TString*));
    L->strt = nt;
    L->strsize = newsize;
}

} // namespace

void resizestrings(lua_State* L, uint32_t newsize) {
    auto* nt = static_cast<TString**>(lmalloc(L, newsize * sizeof(TString*)));
    for (uint32_t i = 0; i < newsize; i++)
        nt[i] = nullptr;
    movestrings(L, nt, newsize);
}

void shrinkstrings(lua_State* L) {
    // without memory the larger table serves as well: no error here, since
    // the collector calls this
    uint32_t newsize = L->strsize / 2;
    auto* nt = static_cast<TString**>(std::calloc(newsize, sizeof(TString*)));
    if (nt == nullptr) return;
    movestrings(L, nt, newsize);
    L->totalbytes += newsize * sizeof(TString*);
}

TString* newlstr(lua_State* L, const char* str, size_t l) {
    uint32_t h = hashstr(str, l);
    for (TString* s = L->strt[h & (L->strsize - 1)]; s; s = s->hnext) {
        if (s->len == l && s->hash == h && std::memcmp(str, s->data, l) == 0) return s;
    }
    if (l > (size_t(1) << 31)) runerror(L, "string too large");
    if (L->strnuse >= L->strsize && L->strsize < (1u << 30)) resizestrings(L, L->strsize * 2);
    auto* s = static_cast<TString*>(lmalloc(L, sizeof(TString) + l));
    s->hash = h;
    s->reserved = 0;
    s->gidx = -1;
    s->len = l;
    setnil(&s->gval);
    std::memcpy(s->data, str, l);
    s->data[l] = '\0';
    linkobj(L, s, T_STRING);
    uint32_t i = h & (L->strsize - 1);
    s->hnext = L->strt[i];
    L->strt[i] = s;
    L->strnuse++;
    return s;
}

TString* newstr(lua_State* L, const char* s) {
    return newlstr(L, s, std::strlen(s));
}

TString* allocstr(lua_State* L, size_t l) {
    if (l > (size_t(1) << 31)) runerror(L, "string too large");
    auto* s = static_cast<TString*>(lmalloc(L, sizeof(TString) + l));
    s->len = l;
    s->data[l] = '\0';
    return s;
}

TString* internstr(lua_State* L, TString* fresh) {
    size_t l = fresh->len;
    uint32_t h = hashstr(fresh->data, l);
    for (TString* s = L->strt[h & (L->strsize - 1)]; s; s = s->hnext) {
        if (s->len == l && s->hash == h && std::memcmp(fresh->data, s->data, l) == 0) {
            lfree(L, fresh, sizeof(TString) + l);
            return s;
        }
    }
    if (L->strnuse >= L->strsize && L->strsize < (1u << 30)) {
        try {
            resizestrings(L, L->strsize * 2);
        } catch (...) {
            lfree(L, fresh, sizeof(TString) + l);
            throw;
        }
    }
    fresh->hash = h;
    fresh->reserved = 0;
    fresh->gidx = -1;
    setnil(&fresh->gval);
    linkobj(L, fresh, T_STRING);
    uint32_t i = h & (L->strsize - 1);
    fresh->hnext = L->strt[i];
    L->strt[i] = fresh;
    L->strnuse++;
    return fresh;
}

void freestr(lua_State* L, TString* s) {
    TString** p = &L->strt[s->hash & (L->strsize - 1)];
    while (*p != s)
        p = &(*p)->hnext;
    *p = s->hnext;
    L->strnuse--;
    if (s->gidx >= 0) {
        L->globals[s->gidx] = nullptr;
        L->freeglobals.push_back(s->gidx);
    }
    lfree(L, s, sizeof(TString) + s->len);
}

void setglobal_raw(lua_State* L, TString* name, const TObject* v) {
    if (name->gidx < 0 && v->tt != T_NIL) {
        if (!L->freeglobals.empty()) {
            name->gidx = L->freeglobals.back();
            L->freeglobals.pop_back();
            L->globals[name->gidx] = name;
        } else {
            name->gidx = static_cast<int32_t>(L->globals.size());
            L->globals.push_back(name);
        }
    }
    setobj(&name->gval, v);
}

// Decimal numerals only: optional blanks and sign, digits with an optional
// fraction and exponent, optional blanks. At least one digit is required.
bool str2number(const char* s, size_t len, double* out) {
    const char* e = s + len;
    const char* p = s;
    while (p < e && std::isspace(static_cast<unsigned char>(*p)))
        p++;
    const char* start = p;
    if (p < e && (*p == '+' || *p == '-')) p++;
    int digits = 0;
    while (p < e && std::isdigit(static_cast<unsigned char>(*p)))
        p++, digits++;
    if (p < e && *p == '.') {
        p++;
        while (p < e && std::isdigit(static_cast<unsigned char>(*p)))
            p++, digits++;
    }
    if (digits == 0) return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        p++;
        if (p < e && (*p == '+' || *p == '-')) p++;
        int ed = 0;
        while (p < e && std::isdigit(static_cast<unsigned char>(*p)))
            p++, ed++;
        if (ed == 0) return false;
    }
    const char* numend = p;
    while (p < e && std::isspace(static_cast<unsigned char>(*p)))
        p++;
    if (p != e) return false;
    char buf[128];
    size_t n = static_cast<size_t>(numend - start);
    if (n < sizeof(buf)) {
        std::memcpy(buf, start, n);
        buf[n] = '\0';
        *out = std::strtod(buf, nullptr);
    } else {
        std::string tmp(start, n);
        *out = std::strtod(tmp.c_str(), nullptr);
    }
    return true;
}

void number2str(double n, char* buf) {
    // integers, the common case, without the general formatter (which
    // prints them the same way below 1e15)
    if (n > -1e15 && n < 1e15 && n == static_cast<double>(static_cast<long long>(n)) &&
        !(n == 0 && std::signbit(n))) {
        long long v = static_cast<long long>(n);
        char tmp[24];
        int len = 0;
        unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : v;
        do {
            tmp[len++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u);
        int at = 0;
        if (v < 0) buf[at++] = '-';
        while (len)
            buf[at++] = tmp[--len];
        buf[at] = '\0';
        return;
    }
    std::snprintf(buf, 32, "%.16g", n);
}

bool tostring(lua_State* L, TObject* o) {
    if (o->tt == T_STRING) return true;
    if (o->tt != T_NUMBER) return false;
    char buf[32];
    number2str(o->v.n, buf);
    setstr(o, newstr(L, buf));
    return true;
}

// strcoll order, but strings with inner zeros compare piece by piece.
int strcompare(const TString* ls, const TString* rs) {
    const char* l = ls->data;
    size_t ll = ls->len;
    const char* r = rs->data;
    size_t lr = rs->len;
    for (;;) {
        int temp = std::strcoll(l, r);
        if (temp != 0) return temp;
        size_t len = std::strlen(l);
        if (len == lr) return (len == ll) ? 0 : 1;
        if (len == ll) return -1;
        len++;
        l += len;
        ll -= len;
        r += len;
        lr -= len;
    }
}

} // namespace lua32
