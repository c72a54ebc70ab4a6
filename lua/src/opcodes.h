// The instruction set: a stack machine. An instruction is 32 bits: the
// opcode in the low byte, then either one 24-bit argument (U, or S biased
// for signed values) or a 16-bit A and an 8-bit B.
#pragma once

#include <cstdint>

namespace lua32 {

// The opcodes in order, each with its operands. The VM's dispatch table is
// made from the same list.
#define LUA32_OPCODES(X)                                                                           \
    X(RETURN)      /* U: return base+U .. top */                                                   \
    X(CALL)        /* A: function slot, B: results (MULT_RET: all) */                              \
    X(PUSHNIL)     /* U: count */                                                                  \
    X(POP)         /* U: count */                                                                  \
    X(PUSHINT)     /* S */                                                                         \
    X(PUSHNUM)     /* U: constant */                                                               \
    X(PUSHSTR)     /* U: constant */                                                               \
    X(PUSHUPVALUE) /* U */                                                                         \
    X(PUSHLOCAL)   /* U */                                                                         \
    X(GETGLOBAL)   /* U: constant name */                                                          \
    X(GETTABLE)    /* t k -> v */                                                                  \
    X(GETDOTTED)   /* U: constant key; t -> v */                                                   \
    X(PUSHSELF)    /* U: constant key; t -> t[k] t */                                              \
    X(CREATETABLE) /* A: list items, B: record items (sizes to start with) */                      \
    X(SETLOCAL)    /* U; pops */                                                                   \
    X(SETGLOBAL)   /* U: constant name; pops */                                                    \
    X(SETTABLEPOP) /* t k v -> (nothing) */                                                        \
    X(SETTABLE)    /* U: t at top-U, k at top-U+1, v at top-1; pops v */                           \
    X(SETLIST)     /* A: block (keys start at A*64+1), B: count; pops items */                     \
    X(SETMAP)      /* U: pairs; pops them */                                                       \
    X(ADD)                                                                                         \
    X(SUB)                                                                                         \
    X(MUL)                                                                                         \
    X(DIV)                                                                                         \
    X(POW)                                                                                         \
    X(CONCAT) /* U: operands */                                                                    \
    X(MINUS)                                                                                       \
    X(NOT)                                                                                         \
    X(EQ)                                                                                          \
    X(NE)                                                                                          \
    X(LT)                                                                                          \
    X(LE)                                                                                          \
    X(GT)                                                                                          \
    X(GE)                                                                                          \
    X(JMP)    /* S: relative to the next instruction */                                            \
    X(JMPF)   /* S: pops; jumps when nil */                                                        \
    X(JMPT)   /* S: pops; jumps when not nil */                                                    \
    X(ONTJMP) /* S: jumps keeping the value when not nil, else pops */                             \
    X(ONFJMP) /* S: jumps keeping the value when nil, else pops */                                 \
    X(IFEQF)  /* S: pops two; jumps when the comparison is false */                                \
    X(IFNEF)                                                                                       \
    X(IFLTF)                                                                                       \
    X(IFLEF)                                                                                       \
    X(IFGTF)                                                                                       \
    X(IFGEF)                                                                                       \
    X(CLOSURE)   /* A: prototype, B: upvalues on the stack */                                      \
    X(ADDI)      /* S: adds an integer constant to the top */                                      \
    X(SUBI)      /* S: subtracts an integer constant from the top */                               \
    X(INCLOCAL)  /* A: local, B: constant + 128 added to it */                                     \
    X(DECLOCAL)  /* A: local, B: constant + 128 subtracted from it */                              \
    X(GETLOCALS) /* A: local table, B: local key; pushes the value */                              \
    /* A condition on two locals, as PUSHLOCAL, PUSHLOCAL, IF..F. A: local, B:                     \
       local. The next instruction is the jump out: skipped when the                               \
       comparison holds, else taken (both without dispatching it). */                              \
    X(IFLOCALSEQ)                                                                                  \
    X(IFLOCALSNE)                                                                                  \
    X(IFLOCALSLT)                                                                                  \
    X(IFLOCALSLE)                                                                                  \
    X(IFLOCALSGT)                                                                                  \
    X(IFLOCALSGE)                                                                                  \
    /* A local against a small integer, as PUSHLOCAL, PUSHINT, IF..F. A: local,                    \
       B: integer constant + 128; the jump out follows, as above. */                               \
    X(IFLOCALKEQ)                                                                                  \
    X(IFLOCALKNE)                                                                                  \
    X(IFLOCALKLT)                                                                                  \
    X(IFLOCALKLE)                                                                                  \
    X(IFLOCALKGT)                                                                                  \
    X(IFLOCALKGE)                                                                                  \
    X(LOCALADDI)      /* A: local, B: constant + 128; pushes the local plus the constant */        \
    X(LOCALSUBI)      /* A: local, B: constant + 128; pushes the local minus the constant */       \
    X(GETLOCALDOTTED) /* A: constant key, B: local table; pushes the value */                      \
    X(SETLOCALDOTTED) /* A: constant key, B: local table; pops the value into it */                \
    /* INCLOCAL and DECLOCAL ending a loop's body: the next instruction is the                     \
       jump back, taken here without dispatching it (but dispatched while a                        \
       hook or budget traps each instruction, so that it is seen as before) */                     \
    X(INCLOCALJMP)                                                                                 \
    X(DECLOCALJMP)

enum OpCode : uint8_t {
#define LUA32_OPCODE_ENUM(name) OP_##name,
    LUA32_OPCODES(LUA32_OPCODE_ENUM)
#undef LUA32_OPCODE_ENUM
        OP_COUNT
};

constexpr uint32_t kBiasS = 0x7FFFFF;
constexpr int kListBlock = 64;

inline OpCode GET_OP(uint32_t i) {
    return static_cast<OpCode>(i & 0xFF);
}
inline uint32_t GET_U(uint32_t i) {
    return i >> 8;
}
inline int GET_S(uint32_t i) {
    return static_cast<int>(i >> 8) - static_cast<int>(kBiasS);
}
inline uint32_t GET_A(uint32_t i) {
    return (i >> 8) & 0xFFFF;
}
inline uint32_t GET_B(uint32_t i) {
    return i >> 24;
}

inline uint32_t CREATE_U(OpCode o, uint32_t u) {
    return o | (u << 8);
}
inline uint32_t CREATE_S(OpCode o, int s) {
    return o | (static_cast<uint32_t>(s + static_cast<int>(kBiasS)) << 8);
}
inline uint32_t CREATE_AB(OpCode o, uint32_t a, uint32_t b) {
    return o | (a << 8) | (b << 24);
}

} // namespace lua32
