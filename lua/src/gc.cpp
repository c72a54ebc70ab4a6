// Mark-and-sweep collection, run all at once at safe points.
//
// Objects whose tag has a `gc` method are finalized: the method runs after
// the sweep, with the object kept alive until a later cycle finds it
// unreachable again (a method that stores its object leaves no dangling
// reference).
#include <cstdlib>

#include "do.h"

namespace lua32 {

namespace {

enum : uint8_t { MARKED = 1, FIXED = 2, FINALIZED = 4 };

struct Marker {
    lua_State* L;
    std::vector<GCObject*> gray;

    void mark(GCObject* o) {
        if (o->marked & MARKED) return;
        o->marked |= MARKED;
        if (o->gctype != T_STRING && o->gctype != T_USERDATA) gray.push_back(o);
    }
    void markvalue(const TObject* v) {
        if (iscollectable(v)) mark(v->v.gc);
    }
    void traverse(GCObject* o) {
        switch (o->gctype) {
            case T_TABLE: {
                auto* t = static_cast<Table*>(o);
                for (uint32_t i = 0; i < t->asize; i++)
                    markvalue(&t->arr[i]);
                for (uint32_t i = 0; i < t->nodesize; i++) {
                    if (t->node[i].val.tt != T_NIL) {
                        TObject key = nodekey(&t->node[i]);
                        markvalue(&key);
                        markvalue(&t->node[i].val);
                    }
                }
                break;
            }
            case T_LFUNC: {
                auto* c = static_cast<LClosure*>(o);
                mark(c->p);
                for (int i = 0; i < c->nup; i++)
                    markvalue(&c->up[i]);
                break;
            }
            case T_CFUNC: {
                auto* c = static_cast<CClosure*>(o);
                for (int i = 0; i < c->nup; i++)
                    markvalue(&c->up[i]);
                break;
            }
            case T_PROTO: {
                auto* p = static_cast<Proto*>(o);
                if (p->source) mark(p->source);
                for (const TObject& k : p->k)
                    markvalue(&k);
                for (Proto* q : p->p)
                    mark(q);
                for (const LocVar& v : p->locvars)
                    mark(v.name);
                if (p->cache) mark(p->cache);
                break;
            }
            default: break;
        }
    }
    void propagate() {
        while (!gray.empty()) {
            GCObject* o = gray.back();
            gray.pop_back();
            traverse(o);
        }
    }
};

void markroots(Marker& m) {
    lua_State* L = m.L;
    for (StkId o = L->stack; o < L->top; o++)
        m.markvalue(o);
    for (TString* s : L->globals) {
        if (s && s->gval.tt != T_NIL) {
            m.mark(s);
            m.markvalue(&s->gval);
        }
    }
    for (const TObject& tm : L->tms)
        m.markvalue(&tm);
    for (const Ref& r : L->refs)
        if (r.status == REF_LOCK) m.markvalue(&r.o);
}

// Drops the userdata from the pointer index: the same pointer pushed again
// makes a new userdata.
void forgetudata(lua_State* L, Udata* u) {
    auto range = L->udata.equal_range(u->p);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == u) {
            L->udata.erase(it);
            return;
        }
    }
}

void freeobj(lua_State* L, GCObject* o) {
    switch (o->gctype) {
        case T_STRING: freestr(L, static_cast<TString*>(o)); break;
        case T_TABLE: freetable(L, static_cast<Table*>(o)); break;
        case T_LFUNC: {
            auto* c = static_cast<LClosure*>(o);
            lfree(L, c, sizeof(LClosure) + sizeof(TObject) * (c->nup > 0 ? c->nup - 1 : 0));
            break;
        }
        case T_CFUNC: {
            auto* c = static_cast<CClosure*>(o);
            if (c->nup == 0) {
                auto it = L->cfuncs.find(reinterpret_cast<void*>(c->f));
                if (it != L->cfuncs.end() && it->second == c) L->cfuncs.erase(it);
            }
            lfree(L, c, sizeof(CClosure) + sizeof(TObject) * (c->nup > 0 ? c->nup - 1 : 0));
            break;
        }
        case T_USERDATA: {
            auto* u = static_cast<Udata*>(o);
            forgetudata(L, u);
            lfree(L, u, sizeof(Udata));
            break;
        }
        case T_PROTO: {
            auto* p = static_cast<Proto*>(o);
            p->~Proto();
            lfree(L, p, sizeof(Proto));
            break;
        }
        default: break;
    }
}

const TObject* gcmethod(lua_State* L, GCObject* o) {
    if (o->gctype == T_TABLE) return gettm(L, static_cast<Table*>(o)->htag, EV_GC);
    if (o->gctype == T_USERDATA) {
        TObject v;
        v.tt = T_USERDATA;
        v.v.u = static_cast<Udata*>(o);
        return gettmbyobj(L, &v, EV_GC);
    }
    return nullptr;
}

TObject asvalue(GCObject* o) {
    TObject v;
    v.tt = static_cast<Type>(o->gctype);
    v.v.gc = o;
    return v;
}

// Runs `gc` methods; errors inside them are reported and otherwise ignored.
void callgcmethods(lua_State* L, const std::vector<GCObject*>& objs) {
    for (GCObject* o : objs) {
        const TObject* tm = gcmethod(L, o);
        if (tm == nullptr) continue;
        TObject f = *tm;
        TObject v = asvalue(o);
        protectedrun(L, [&] { callTM(L, &f, 1, &v, nullptr); });
    }
    const TObject* niltm = gettm(L, TAG_NIL, EV_GC);
    if (niltm) {
        TObject f = *niltm;
        TObject v;
        setnil(&v);
        protectedrun(L, [&] { callTM(L, &f, 1, &v, nullptr); });
    }
}

} // namespace

long collectgarbage(lua_State* L, long limit) {
    if (L->gcrunning) return 0;
    L->gcrunning = true;
    Marker m{L, {}};
    std::vector<GCObject*> fin;
    try {
        m.gray.reserve(256);
        markroots(m);
        m.propagate();
    } catch (const std::bad_alloc&) {
        // no memory even to mark: give up this cycle, nothing was freed
        for (GCObject* o = L->rootgc; o; o = o->gcnext)
            o->marked &= ~MARKED;
        L->gcrunning = false;
        return 0;
    }
    try {
        // finalize unreachable objects that have a gc method (once each)
        for (GCObject* o = L->rootgc; o; o = o->gcnext) {
            if (!(o->marked & (MARKED | FIXED | FINALIZED)) && gcmethod(L, o)) {
                o->marked |= FINALIZED;
                fin.push_back(o);
            }
        }
        for (GCObject* o : fin) {
            m.mark(o);
            if (o->gctype == T_USERDATA) {
                // a pointer pushed again after this makes a new userdata
                auto* u = static_cast<Udata*>(o);
                forgetudata(L, u);
                u->finalized = true;
            }
        }
        m.propagate();
    } catch (const std::bad_alloc&) {
        for (GCObject* o : fin)
            o->marked &= ~FINALIZED;
        for (GCObject* o = L->rootgc; o; o = o->gcnext)
            o->marked &= ~MARKED;
        L->gcrunning = false;
        return 0;
    }
    // unlocked references to dead values are dropped
    for (Ref& r : L->refs) {
        if (r.status == REF_HOLD && iscollectable(&r.o) && !(r.o.v.gc->marked & (MARKED | FIXED))) {
            r.status = REF_COLLECTED;
            setnil(&r.o);
        }
    }
    long freed = 0;
    size_t live = 0;
    GCObject** p = &L->rootgc;
    while (*p) {
        GCObject* o = *p;
        if (o->marked & (MARKED | FIXED)) {
            o->marked &= ~MARKED;
            p = &o->gcnext;
            live++;
        } else {
            *p = o->gcnext;
            freeobj(L, o);
            freed++;
        }
    }
    L->nobjects = 0;
    if (limit > 0)
        L->gcthreshold = static_cast<size_t>(limit);
    else
        L->gcthreshold = live < 500 ? 1000 : 2 * live;
    L->gcbytethreshold = L->totalbytes < (size_t(2) << 20) ? (size_t(4) << 20) : 2 * L->totalbytes;
    if (L->strnuse < L->strsize / 4 && L->strsize > 64) shrinkstrings(L);
    callgcmethods(L, fin);
    L->gcrunning = false;
    return freed;
}

void checkGC(lua_State* L) {
    if (L->nobjects >= L->gcthreshold || L->totalbytes >= L->gcbytethreshold) collectgarbage(L, 0);
}

void fixobject(GCObject* o) {
    o->marked |= FIXED;
}

// lua_close: every table and userdata with a gc method gets it, then the
// nil tag's method runs once.
void closestate(lua_State* L) {
    L->top = L->stack;
    L->ci = L->base_ci;
    L->Cstack = {0, 0, 0};
    L->Cblocks.clear();
    L->blockfloor = 0;
    L->linehook = nullptr;
    L->callhook = nullptr;
    L->budget = 0;
    settrap(L);
    L->gcrunning = true;
    try {
        std::vector<GCObject*> objs;
        for (GCObject* o = L->rootgc; o; o = o->gcnext)
            if ((o->gctype == T_TABLE || o->gctype == T_USERDATA) && !(o->marked & FINALIZED) &&
                gcmethod(L, o))
                objs.push_back(o);
        callgcmethods(L, objs);
    } catch (const std::bad_alloc&) {
        // the state goes away all the same
    }
}

void freeall(lua_State* L) {
    GCObject* o = L->rootgc;
    while (o) {
        GCObject* next = o->gcnext;
        if (o->gctype == T_STRING) {
            lfree(L, o, sizeof(TString) + static_cast<TString*>(o)->len);
        } else if (o->gctype == T_CFUNC || o->gctype == T_USERDATA) {
            lfree(L, o, 0);
        } else {
            freeobj(L, o);
        }
        o = next;
    }
    std::free(L->strt);
    std::free(L->stack);
    std::free(L->base_ci);
    delete L;
}

} // namespace lua32
