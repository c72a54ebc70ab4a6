// The mathematical library. Angles are in degrees. It also gives numbers
// the "pow" tag method, which is what makes the ^ operator work.
#include <cmath>
#include <cstdlib>

#include "lauxlib_util.h"
#include "lualib.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kToRad = kPi / 180.0;

double num(int n) {
    return luaL_check_number(n);
}
void push(double d) {
    lua_pushnumber(d);
}

template <double (*F)(double)> void unary() {
    push(F(num(1)));
}

void math_sin() {
    push(std::sin(num(1) * kToRad));
}
void math_cos() {
    push(std::cos(num(1) * kToRad));
}
void math_tan() {
    push(std::tan(num(1) * kToRad));
}
void math_asin() {
    push(std::asin(num(1)) / kToRad);
}
void math_acos() {
    push(std::acos(num(1)) / kToRad);
}
void math_atan() {
    push(std::atan(num(1)) / kToRad);
}
void math_atan2() {
    push(std::atan2(num(1), num(2)) / kToRad);
}
void math_deg() {
    push(num(1) / kToRad);
}
void math_rad() {
    push(num(1) * kToRad);
}
void math_mod() {
    push(std::fmod(num(1), num(2)));
}

void math_frexp() {
    int e = 0;
    push(std::frexp(num(1), &e));
    push(e);
}

void math_ldexp() {
    push(std::ldexp(num(1), luaaux::castint(num(2))));
}

template <bool kMin> void minmax() {
    double best = num(1);
    for (int i = 2; lua_getparam(i) != LUA_NOOBJECT; i++) {
        double d = num(i);
        if (kMin ? d < best : d > best) best = d;
    }
    push(best);
}

void math_random() {
    // The C library's generator, so that a seeded sequence is the usual one.
    double r = static_cast<double>(std::rand() % RAND_MAX) / RAND_MAX;
    if (lua_getparam(1) == LUA_NOOBJECT) {
        push(r);
        return;
    }
    // the bounds are C ints, converted by the one rule
    double l = 1, u;
    if (lua_getparam(2) == LUA_NOOBJECT) {
        u = luaaux::castint(num(1));
    } else {
        l = luaaux::castint(num(1));
        u = luaaux::castint(num(2));
    }
    luaL_arg_check(l <= u, 1, "interval is empty");
    push(std::floor(r * (u - l + 1)) + l);
}

void math_randomseed() {
    std::srand(static_cast<unsigned>(luaaux::castint(num(1))));
}

double absolute(double d) {
    return std::fabs(d);
}
double ceiling(double d) {
    return std::ceil(d);
}
double flooring(double d) {
    return std::floor(d);
}
double squareRoot(double d) {
    return std::sqrt(d);
}
double naturalLog(double d) {
    return std::log(d);
}
double decimalLog(double d) {
    return std::log10(d);
}
double exponential(double d) {
    return std::exp(d);
}

// The tag method of ^ for numbers: called as pow(a, b, "pow").
void math_pow() {
    push(std::pow(num(1), num(2)));
}

const luaL_reg kMathLib[] = {
    {"abs", unary<absolute>},
    {"ceil", unary<ceiling>},
    {"floor", unary<flooring>},
    {"sqrt", unary<squareRoot>},
    {"log", unary<naturalLog>},
    {"log10", unary<decimalLog>},
    {"exp", unary<exponential>},
    {"sin", math_sin},
    {"cos", math_cos},
    {"tan", math_tan},
    {"asin", math_asin},
    {"acos", math_acos},
    {"atan", math_atan},
    {"atan2", math_atan2},
    {"deg", math_deg},
    {"rad", math_rad},
    {"mod", math_mod},
    {"frexp", math_frexp},
    {"ldexp", math_ldexp},
    {"min", minmax<true>},
    {"max", minmax<false>},
    {"random", math_random},
    {"randomseed", math_randomseed},
};

} // namespace

extern "C" void lua_mathlibopen(void) {
    lua_open();
    luaL_openlib(kMathLib, static_cast<int>(sizeof kMathLib / sizeof kMathLib[0]));
    lua_pushnumber(kPi);
    lua_setglobal("PI");
    lua_beginblock();
    lua_pushnumber(0);
    const int numberTag = lua_tag(lua_pop());
    lua_pushcfunction(math_pow);
    lua_settagmethod(numberTag, "pow");
    lua_endblock();
}
