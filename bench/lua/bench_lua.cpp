// Runs each benchmark script in a fresh interpreter state, in-process, so
// that start-up of the program does not count. Output of the scripts is
// dropped.
#include <benchmark/benchmark.h>

#include <string>

#include "lua.h"
#include "lualib.h"

namespace {

void quiet() {}

void runScript(benchmark::State& state, const char* name) {
    const std::string path = std::string(LUA_BENCH_SCRIPTS) + "/" + name;
    for (auto _ : state) {
        lua_open();
        lua_userinit();
        lua_register("print", quiet);
        int status = lua_dofile(path.c_str());
        lua_close();
        if (status != 0) {
            state.SkipWithError("script failed");
            break;
        }
    }
}

BENCHMARK_CAPTURE(runScript, calls, "calls.lua")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runScript, tables, "tables.lua")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runScript, strings, "strings.lua")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runScript, methods, "methods.lua")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runScript, closures, "closures.lua")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runScript, localtable, "localtable.lua")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
