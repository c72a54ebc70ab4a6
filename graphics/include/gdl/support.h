// Small services under the contexts and drivers: 16.16 fixed point, the
// library's random generator, the context lists and the item pools.
#pragma once

#include <cstddef>
#include <cstdint>

// --- Fixed point (16.16, signed) --------------------------------------------
// Quotients must fit 32 bits and divisors must not be 0: callers keep their
// operands in range (a zero divisor yields 0 rather than a trap).
int32_t GDL_fixMul(int32_t a, int32_t b);            // (a * b + 0x8000) >> 16
int32_t GDL_fixDiv(int32_t a, int32_t b);            // (a * 65536) / b, toward zero
int32_t GDL_fixDiv4_28(int32_t a, int32_t b);        // quotient with 12 more fraction bits
int32_t GDL_mulDiv(int32_t a, int32_t b, int32_t c); // (a * b) / c, 64-bit product
int32_t GDL_crossSign(int32_t a, int32_t b, int32_t c, int32_t d); // b*c - a*d >= 0

// --- Random numbers ------------------------------------------------------------
void GDL_srand(uint32_t seed);
uint32_t GDL_randomNext();
uint32_t GDL_random(uint32_t n);      // next mod n, n taken as 16 bits
uint32_t GDL_randomBelow(uint32_t n); // next mod n
uint64_t GDL_randomState();

// --- Lists -----------------------------------------------------------------------
// A node is the caller's block; its link word sits just before it.
struct GdlList {
    int32_t count;
    void* head; // node whose link is the first node (or the tail)
    void* tail; // links to itself
};

GdlList* GDL_listCreate();
void* GDL_listNewNode(size_t size);
void GDL_listFreeNode(void* node);
void GDL_listInsertAfter(GdlList* list, void* node, void* previous);
void* GDL_listDeleteNext(GdlList* list, void* previous);
void* GDL_listFirst(const GdlList* list);
void* GDL_listNext(const GdlList* list, void* node); // null after the last
void* GDL_listFindPrevious(const GdlList* list, void* node);
void GDL_listDestroy(GdlList* list, void (*freeNode)(void* node));

// --- Pools -------------------------------------------------------------------------
struct GdlPool {
    void* firstBlock;
    int32_t blockCount;
    int32_t itemsPerBlock;
    int32_t itemSize;
};

void GDL_poolCreate(GdlPool* pool, int32_t count, int32_t itemSize);
void* GDL_poolChain(GdlPool* pool);
void GDL_poolDestroy(GdlPool* pool);
