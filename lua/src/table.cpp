// Tables: an array part for the keys 1..n and a chained hash part.
//
// Number keys hash by their value truncated toward zero and compare with
// the interpreter's number equality, so keys closer than the tolerance
// that share an integer part are one key.
//
// Scripts written for the old pure hash tables came to rely on small integer
// keys being traversed in ascending order. Traversal gives the key 0 first,
// then the array, then the hash part; the array takes integer keys while at
// least a quarter of it is used, grows as soon as new keys justify it, and
// the integers just past it take the first nodes in order.
#include <cmath>
#include <cstring>

#include "state.h"

namespace lua32 {

namespace {

const TObject kNilObject = {T_NIL, {0}};

// Node storage of an empty hash part: one node that is never written.
Node dummynode_ = {{T_NIL, {0}}, {0}, T_NIL, -1};

uint32_t mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

uint32_t hashnum(double n) {
    if (n > -9.2e18 && n < 9.2e18) return mix(static_cast<uint64_t>(static_cast<int64_t>(n)));
    if (n != n) return 0;
    uint64_t bits;
    std::memcpy(&bits, &n, sizeof bits);
    return mix(bits);
}

uint32_t hashkey(const TObject* k) {
    switch (k->tt) {
        case T_NUMBER: return hashnum(k->v.n);
        case T_STRING: return k->v.s->hash;
        default: return mix(reinterpret_cast<uintptr_t>(k->v.gc));
    }
}

bool keyeq(const Node* n, const TObject* k) {
    if (n->keytt != k->tt) return false;
    if (k->tt == T_NUMBER) return numeq(n->keyv.n, k->v.n);
    return n->keyv.gc == k->v.gc;
}

// The array index of an integral number, or 0.
inline uint32_t arrayindex(double n, uint32_t asize) {
    if (n >= 1 && n <= asize) {
        auto i = static_cast<uint32_t>(n);
        if (static_cast<double>(i) == n) return i;
    }
    return 0;
}

inline bool isintegral(double n) {
    return n == std::floor(n) && n > -9.2e18 && n < 9.2e18;
}

Node* mainposition(const Table* t, const TObject* k) {
    if (k->tt == T_NUMBER) {
        // The integers just past the array take the nodes in order, so that
        // they follow the array in traversal, in ascending order.
        double d = k->v.n - t->asize;
        if (d >= 1 && d < t->nodesize + 1) return &t->node[static_cast<uint32_t>(d) - 1];
    }
    return &t->node[hashkey(k) & (t->nodesize - 1)];
}

Node* findnode(const Table* t, const TObject* key) {
    if (t->nodesize == 0) return nullptr;
    Node* n = mainposition(t, key);
    for (;;) {
        if (keyeq(n, key)) return n;
        if (n->next < 0) return nullptr;
        n = &t->node[n->next];
    }
}

void setnodevector(lua_State* L, Table* t, uint32_t size) {
    if (size == 0) {
        t->node = &dummynode_;
        t->nodesize = 0;
        t->lastfree = 0;
        return;
    }
    uint32_t s = 1;
    while (s < size) {
        if (s >= (1u << 26)) runerror(L, "table overflow");
        s <<= 1;
    }
    t->node = static_cast<Node*>(lmalloc(L, s * sizeof(Node)));
    for (uint32_t i = 0; i < s; i++) {
        t->node[i].keytt = T_NIL;
        setnil(&t->node[i].val);
        t->node[i].next = -1;
    }
    t->nodesize = s;
    t->lastfree = s;
}

// Integer keys are counted by slices (2^(lg-1), 2^lg]; the array part
// never grows past 2^26.
constexpr uint32_t kSlices = 27;

uint32_t countint(const TObject* key, uint32_t* nums) {
    if (key->tt != T_NUMBER) return 0;
    double n = key->v.n;
    if (!(n >= 1 && n <= double(1u << 26))) return 0;
    auto i = static_cast<uint32_t>(n);
    if (static_cast<double>(i) != n) return 0;
    uint32_t lg = 0;
    while ((1u << lg) < i)
        lg++;
    nums[lg]++;
    return 1;
}

void rehash(lua_State* L, Table* t, const TObject* extra);

// Whether `key` is an integer that counts toward growing the array part.
inline bool growskey(const Table* t, const TObject* key) {
    if (key->tt != T_NUMBER) return false;
    double n = key->v.n;
    return n >= 1 && n <= t->growlimit && n == std::floor(n);
}

// Stores `key` after a rehash that counted it already, so it must not count
// toward the growth plan again.
TObject* setafterrehash(lua_State* L, Table* t, const TObject* key) {
    uint32_t limit = t->growlimit;
    t->growlimit = 0;
    TObject* slot = tset(L, t, key);
    t->growlimit = limit;
    return slot;
}

// Integer keys are given to the array as soon as they are dense enough, not
// only when the hash part is next full: traversal then gives them in
// ascending order whatever order they were stored in. Called when the keys
// planned for have been stored; `key` is about to be.
TObject* growarray(lua_State* L, Table* t, const TObject* key) {
    uint32_t oldasize = t->asize;
    rehash(L, t, key);
    // When keys were removed meanwhile the array may not have grown; wait
    // for a share of the table's size in new keys before looking again, so
    // that alternating stores and removals stay cheap.
    if (t->asize <= oldasize && t->growlimit != 0) {
        uint32_t wait = (t->asize + t->nodesize) / 16 + 1;
        if (t->growneed < wait) t->growneed = wait;
    }
    return setafterrehash(L, t, key);
}

TObject* newkey(lua_State* L, Table* t, const TObject* key) {
    if (t->nodesize == 0) {
        rehash(L, t, key);
        return setafterrehash(L, t, key);
    }
    if (growskey(t, key) && --t->growneed == 0) return growarray(L, t, key);
    // A node whose value is nil is free for reuse in place, even when a dead
    // key still sits in it: lookups start at a key's main position, so the
    // chain that passes through the node stays intact. Dead keys are never
    // dereferenced (their objects may be gone), only compared.
    Node* mp = mainposition(t, key);
    if (mp->val.tt != T_NIL) {
        Node* f = nullptr;
        while (t->lastfree > 0) {
            Node* c = &t->node[--t->lastfree];
            if (c->keytt == T_NIL && c->val.tt == T_NIL) {
                f = c;
                break;
            }
        }
        if (f == nullptr) {
            rehash(L, t, key);
            return setafterrehash(L, t, key);
        }
        TObject mpkey = nodekey(mp);
        Node* othern = mainposition(t, &mpkey);
        if (othern != mp) {
            // the occupant is not in its main position: move it to the free node
            while (&t->node[othern->next] != mp)
                othern = &t->node[othern->next];
            othern->next = static_cast<int32_t>(f - t->node);
            *f = *mp;
            mp->next = -1;
            setnil(&mp->val);
        } else {
            f->next = mp->next;
            mp->next = static_cast<int32_t>(f - t->node);
            mp = f;
        }
    }
    setnodekey(mp, key);
    if (key->tt == T_NUMBER && !isintegral(key->v.n)) t->nfrac++;
    setnil(&mp->val);
    return &mp->val;
}

void resize(lua_State* L, Table* t, uint32_t nasize, uint32_t nhsize) {
    t->growlimit = 0; // the keys moved below are not new
    uint32_t oldasize = t->asize;
    if (nasize > oldasize) {
        // a growing array is reallocated: its elements stay where they are
        t->arr = static_cast<TObject*>(
            lrealloc(L, t->arr, oldasize * sizeof(TObject), nasize * sizeof(TObject)));
        for (uint32_t i = oldasize; i < nasize; i++)
            setnil(&t->arr[i]);
        t->asize = nasize;
        oldasize = nasize;
    }
    Node* oldnode = t->node;
    uint32_t oldnsize = t->nodesize;
    setnodevector(L, t, nhsize);
    t->nfrac = 0;
    if (nasize < oldasize) {
        // the elements past a shrinking array move to the hash part
        t->asize = nasize;
        for (uint32_t i = nasize; i < oldasize; i++)
            if (t->arr[i].tt != T_NIL) tsetnum(L, t, i + 1, &t->arr[i]);
        t->arr = static_cast<TObject*>(
            lrealloc(L, t->arr, oldasize * sizeof(TObject), nasize * sizeof(TObject)));
    }
    for (uint32_t i = 0; i < oldnsize; i++) {
        Node* old = &oldnode[i];
        if (old->val.tt == T_NIL) continue;
        // a string key is not in the new nodes yet: no need to look for it
        TObject key = nodekey(old);
        TObject* slot = key.tt == T_STRING ? newkey(L, t, &key) : tset(L, t, &key);
        setobj(slot, &old->val);
    }
    if (oldnsize) lfree(L, oldnode, oldnsize * sizeof(Node));
}

// Chooses the larger array that the fewest further integer keys would
// justify, given the integer keys counted by slice in `nums`. Only keys up to
// that size are counted, so the rehash they trigger grows the array unless
// keys were removed meanwhile. Arrays below 8 are not worth planning for:
// they need just the key 1 or 2 and would hide the larger candidates.
// A size whose upper half holds no key yet is no candidate: the rehash
// never makes the array larger than its largest key needs, so counting
// toward it would only repeat rehashes; the first key past the array
// reaches the hash part and its rehash grows the array.
void plangrowth(Table* t, const uint32_t* nums) {
    t->growlimit = 0;
    t->growneed = 0;
    uint32_t cum = 0;
    for (uint32_t lg = 0, n = 1; lg < kSlices; lg++, n *= 2) {
        cum += nums[lg];
        if (n <= t->asize || n < 8 || nums[lg] == 0) continue;
        uint32_t need = n / 4 + 1 > cum ? n / 4 + 1 - cum : 1;
        if (t->growlimit == 0 || need < t->growneed) {
            t->growlimit = n;
            t->growneed = need;
        }
    }
}

void rehash(lua_State* L, Table* t, const TObject* extra) {
    uint32_t nums[kSlices + 1] = {};
    uint32_t nasize = 0;
    uint32_t total = 0;
    // the array part, slice by slice: keys (2^(lg-1), 2^lg] count in nums[lg]
    for (uint32_t lg = 0, lo = 1; lo <= t->asize; lg++) {
        uint32_t hi = 1u << lg;
        if (hi > t->asize) hi = t->asize;
        uint32_t c = 0;
        for (uint32_t i = lo; i <= hi; i++)
            c += t->arr[i - 1].tt != T_NIL;
        nums[lg] += c;
        nasize += c;
        lo = hi + 1;
    }
    total += nasize;
    for (uint32_t i = 0; i < t->nodesize; i++) {
        if (t->node[i].val.tt != T_NIL) {
            TObject key = nodekey(&t->node[i]);
            nasize += countint(&key, nums);
            total++;
        }
    }
    nasize += countint(extra, nums);
    total++;
    // The largest power of two n such that more than a quarter of 1..n is
    // used. A quarter rather than half keeps sparse small keys (2, 4, ... 80)
    // in the array, so that traversal gives them in ascending order as old
    // scripts expect; an array slot is 16 bytes against a node's 32, so even
    // a quarter-full array costs at most twice what the hash part would.
    uint32_t a = 0, na = 0, best = 0;
    for (uint32_t lg = 0, twotoi = 1; lg < kSlices && twotoi / 4 < nasize; lg++, twotoi *= 2) {
        a += nums[lg];
        if (a > twotoi / 4) {
            best = twotoi;
            na = a;
        }
        if (a == nasize) break; // past the largest key only empty slots follow
    }
    resize(L, t, best, total - na);
    plangrowth(t, nums);
}

} // namespace

Table* newtable(lua_State* L, uint32_t narr, uint32_t nhash) {
    auto* t = static_cast<Table*>(lmalloc(L, sizeof(Table)));
    t->htag = TAG_TABLE;
    t->asize = 0;
    t->arr = nullptr;
    t->nfrac = 0;
    t->growlimit = 0;
    t->growneed = 0;
    setnodevector(L, t, 0);
    linkobj(L, t, T_TABLE);
    // sized for a constructor: its items are not counted toward growing the
    // array until the first rehash
    if (narr || nhash) resize(L, t, narr, nhash);
    return t;
}

void freetable(lua_State* L, Table* t) {
    if (t->arr) lfree(L, t->arr, t->asize * sizeof(TObject));
    if (t->nodesize) lfree(L, t->node, t->nodesize * sizeof(Node));
    lfree(L, t, sizeof(Table));
}

const TObject* tgetnum(const Table* t, double n) {
    double tr = std::trunc(n);
    if (tr >= 1 && tr <= t->asize) {
        const TObject* slot = &t->arr[static_cast<uint32_t>(tr) - 1];
        if (slot->tt != T_NIL && numeq(tr, n)) return slot;
        if (tr == n && t->nfrac == 0) return &kNilObject;
    }
    if (t->nodesize == 0) return &kNilObject;
    TObject k;
    setnum(&k, n);
    Node* nd = findnode(t, &k);
    return nd ? &nd->val : &kNilObject;
}

const TObject* tgetstr(const Table* t, TString* s) {
    if (t->nodesize == 0) return &kNilObject;
    Node* n = &t->node[s->hash & (t->nodesize - 1)];
    for (;;) {
        if (n->keytt == T_STRING && n->keyv.s == s) return &n->val;
        if (n->next < 0) return &kNilObject;
        n = &t->node[n->next];
    }
}

const TObject* tget(const Table* t, const TObject* key) {
    switch (key->tt) {
        case T_NUMBER: return tgetnum(t, key->v.n);
        case T_STRING: return tgetstr(t, key->v.s);
        case T_NIL: return &kNilObject;
        default: {
            Node* n = findnode(t, key);
            return n ? &n->val : &kNilObject;
        }
    }
}

TObject* tset(lua_State* L, Table* t, const TObject* key) {
    if (key->tt == T_NUMBER) {
        double n = key->v.n;
        if (n != n) {
            // NaN never equals itself: give it a fresh node no lookup will find
            return newkey(L, t, key);
        }
        double tr = std::trunc(n);
        if (tr >= 1 && tr <= t->asize) {
            TObject* slot = &t->arr[static_cast<uint32_t>(tr) - 1];
            if (tr == n) {
                // an integral key lives in the array unless a near key already
                // stands for it in the hash part
                if (slot->tt == T_NIL) {
                    if (t->nfrac > 0) {
                        Node* nd = findnode(t, key);
                        if (nd) return &nd->val;
                    }
                    // a new key in the array counts toward a larger array
                    if (t->growlimit != 0 && --t->growneed == 0) return growarray(L, t, key);
                }
                return slot;
            }
            if (slot->tt != T_NIL && numeq(tr, n)) return slot;
        }
    }
    Node* nd = findnode(t, key);
    if (nd) return &nd->val;
    return newkey(L, t, key);
}

void tsetnum(lua_State* L, Table* t, double n, const TObject* v) {
    TObject k;
    setnum(&k, n);
    setobj(tset(L, t, &k), v);
}

// Traversal positions: 0 is the start, 1 follows the key 0, 1 + i follows
// array slot i (1-based), asize + 2 + j follows node j. The key 0 comes first
// and the array next, so small non-negative integer keys come out in
// ascending order, as scripts written for the old pure hash tables expect.
namespace {

// The node of the key 0, or null.
const Node* zeronode(const Table* t) {
    TObject zero;
    setnum(&zero, 0);
    return findnode(t, &zero);
}

// Position after `key`: false when the key is not in the table.
bool tnextindex(const Table* t, const TObject* key, uint32_t* pos) {
    if (key->tt == T_NIL) {
        *pos = 0;
        return true;
    }
    if (key->tt == T_NUMBER) {
        uint32_t i = arrayindex(key->v.n, t->asize);
        if (i) {
            *pos = i + 1;
            return true;
        }
    }
    const Node* n = findnode(t, key);
    if (!n) return false;
    *pos = n == zeronode(t) ? 1 : t->asize + static_cast<uint32_t>(n - t->node) + 2;
    return true;
}

} // namespace

uint32_t tnextpos(const Table* t, uint32_t pos, TObject* key, TObject* val) {
    if (pos == 0) {
        const Node* z = zeronode(t);
        if (z && z->val.tt != T_NIL) {
            *key = nodekey(z);
            *val = z->val;
            return 1;
        }
        pos = 1;
    }
    for (uint32_t i = pos - 1; i < t->asize; i++) {
        if (t->arr[i].tt != T_NIL) {
            setnum(key, i + 1);
            *val = t->arr[i];
            return i + 2;
        }
    }
    const Node* z = nullptr;
    bool zerofound = false;
    for (uint32_t i = (pos > t->asize + 1 ? pos - t->asize - 1 : 0); i < t->nodesize; i++) {
        const Node* n = &t->node[i];
        if (n->val.tt == T_NIL) continue;
        // the key 0 was given first; near-zero number keys are rare, so
        // its node is looked up only when one is met
        if (n->keytt == T_NUMBER && numeq(n->keyv.n, 0)) {
            if (!zerofound) {
                z = zeronode(t);
                zerofound = true;
            }
            if (n == z) continue;
        }
        *key = nodekey(n);
        *val = n->val;
        return t->asize + i + 2;
    }
    return 0;
}

int tnext(const Table* t, TObject* key, TObject* val) {
    uint32_t pos;
    if (!tnextindex(t, key, &pos)) return -1;
    return tnextpos(t, pos, key, val) != 0 ? 1 : 0;
}

double tgetn(lua_State* L, const Table* t) {
    const TObject* n = tgetstr(t, L->s_n);
    if (n->tt == T_NUMBER) return n->v.n;
    double max = 0;
    for (uint32_t i = t->asize; i > 0; i--) {
        if (t->arr[i - 1].tt != T_NIL) {
            max = i;
            break;
        }
    }
    for (uint32_t i = 0; i < t->nodesize; i++) {
        const Node* nd = &t->node[i];
        if (nd->val.tt != T_NIL && nd->keytt == T_NUMBER && nd->keyv.n > max) max = nd->keyv.n;
    }
    return max;
}

} // namespace lua32
