// The instruction set: a stack machine. An instruction is 32 bits: the
// opcode in the low byte, then either one 24-bit argument (U, or S biased
// for signed values) or a 16-bit A and an 8-bit B.
#pragma once

#include <cstdint>

namespace lua32 {

enum OpCode : uint8_t {
    OP_RETURN,      // U: return base+U .. top
    OP_CALL,        // A: function slot, B: results (MULT_RET: all)
    OP_PUSHNIL,     // U: count
    OP_POP,         // U: count
    OP_PUSHINT,     // S
    OP_PUSHNUM,     // U: constant
    OP_PUSHSTR,     // U: constant
    OP_PUSHUPVALUE, // U
    OP_PUSHLOCAL,   // U
    OP_GETGLOBAL,   // U: constant name
    OP_GETTABLE,    // t k -> v
    OP_GETDOTTED,   // U: constant key; t -> v
    OP_PUSHSELF,    // U: constant key; t -> t[k] t
    OP_CREATETABLE, // A: list items, B: record items (sizes to start with)
    OP_SETLOCAL,    // U; pops
    OP_SETGLOBAL,   // U: constant name; pops
    OP_SETTABLEPOP, // t k v -> (nothing)
    OP_SETTABLE,    // U: t at top-U, k at top-U+1, v at top-1; pops v
    OP_SETLIST,     // A: block (keys start at A*64+1), B: count; pops items
    OP_SETMAP,      // U: pairs; pops them
    OP_ADD,
    OP_SUB,
    OP_MUL,
    OP_DIV,
    OP_POW,
    OP_CONCAT, // U: operands
    OP_MINUS,
    OP_NOT,
    OP_EQ,
    OP_NE,
    OP_LT,
    OP_LE,
    OP_GT,
    OP_GE,
    OP_JMP,    // S: relative to the next instruction
    OP_JMPF,   // S: pops; jumps when nil
    OP_JMPT,   // S: pops; jumps when not nil
    OP_ONTJMP, // S: jumps keeping the value when not nil, else pops
    OP_ONFJMP, // S: jumps keeping the value when nil, else pops
    OP_IFEQF,  // S: pops two; jumps when the comparison is false
    OP_IFNEF,
    OP_IFLTF,
    OP_IFLEF,
    OP_IFGTF,
    OP_IFGEF,
    OP_CLOSURE,        // A: prototype, B: upvalues on the stack
    OP_ADDI,           // S: adds an integer constant to the top
    OP_SUBI,           // S: subtracts an integer constant from the top
    OP_INCLOCAL,       // A: local | kSubFlag, B: constant + 128 added to it (or subtracted)
    OP_GETLOCALS,      // A: local table, B: local key; pushes the value
    OP_IFLOCALS,       // A: local | comparison (0 EQ .. 5 GE) << 8, B: local; the next
                       // instruction is the jump out: skipped when the comparison
                       // holds, else taken (both without dispatching it)
    OP_IFLOCALK,       // A: local | comparison << 8, B: integer constant + 128; as IFLOCALS
    OP_LOCALADDI,      // A: local | kSubFlag, B: constant + 128; pushes the local plus (or
                       // minus) the constant
    OP_GETLOCALDOTTED, // A: constant key, B: local table; pushes the value
    OP_SETLOCALDOTTED, // A: constant key, B: local table; pops the value into it
    OP_COUNT
};

constexpr uint32_t kBiasS = 0x7FFFFF;
constexpr uint32_t kSubFlag = 0x8000; // in A of INCLOCAL and LOCALADDI: subtract
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
