# The two commands of the README: `make run` and `make test`.
BUILD    ?= build
SANBUILD ?= build-san
TSANBUILD ?= build-tsan
JOBS     ?= $(shell nproc)
# CI runs each fuzzer briefly and builds without full debug information, to keep
# a run on two cores short; the longer runs are for people (FUZZ_SECONDS=600).
FUZZ_SECONDS ?= $(if $(CI),3,10)
CI_RELEASE_FLAGS = $(if $(CI),-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
                              -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")
# Each test program starts in about 0.3 s of CPU (its shared libraries): the
# builds made here run each program as one CTest test instead of one process
# per case (about 200 processes instead of 2000). TESTS_PER_CASE=ON lists every case.
TESTS_PER_CASE ?= OFF
SAN_DEBUG ?= $(if $(CI),-gline-tables-only,-g)
GAME     ?= $(BUILD)/game/adventure

SOURCES = $(shell git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.c' 2>/dev/null \
            | grep -v '^build')

.PHONY: all deps configure build run test test-normal test-sanitize test-thread fuzz format format-check layering

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(CI),-DADV_WERROR=ON) \
	      -DADV_TESTS_PER_CASE=$(TESTS_PER_CASE) $(CI_RELEASE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(GAME) ]; then exec $(GAME); else \
	  echo "The game's entry is not built yet. Programs built so far:"; \
	  find $(BUILD) -type f -executable -not -path '*/CMakeFiles/*' -not -path '*/tests/*' \
	       -not -name '*.so*' -not -name '*.sh' | sort; fi

# Everything headless: no test ever opens a real window or waits for a person.
test: export SDL_VIDEODRIVER = dummy
test: export SDL_AUDIODRIVER = dummy
test: deps format-check layering test-normal test-sanitize fuzz

test-normal: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Address and undefined-behaviour sanitizers, built with clang so the fuzzers come along.
# -O1, as the sanitizers advise: stack frames stay near their release size, so
# depth limits measured on the stack (the interpreter's) behave as in the release.
test-sanitize: deps
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	      -DCMAKE_C_FLAGS_DEBUG="-O1 $(SAN_DEBUG)" -DCMAKE_CXX_FLAGS_DEBUG="-O1 $(SAN_DEBUG)" \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	      -DADV_SANITIZE=ON -DADV_FUZZ=ON -DADV_BENCH=OFF -DADV_WERROR=ON
	cmake --build $(SANBUILD) -j $(JOBS)
	ctest --test-dir $(SANBUILD) --output-on-failure -j $(JOBS)

# The suites that run threads on real time once more under the thread
# sanitizer: the timer thread, the event pump, the platform's locks, the sound
# device's pump and the mixer's timer, the cursor thread.
THREAD_SUITES ?= [a-z]+_[A-Za-z]*ThreadTest|platform_Sound(Sdl|Rules)Test|platform_(MessageQueue|SdlHost)Test|media_TCursDevTest|ui_TEngineTest
test-thread: deps
	cmake -S . -B $(TSANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	      -DCMAKE_C_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	      -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
	      -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DADV_BENCH=OFF -DADV_WERROR=ON
	@set -e; suites=$$(ninja -C $(TSANBUILD) -t targets all | sed -n 's/^\([A-Za-z_]*Test\):.*/\1/p' | grep -xE '$(THREAD_SUITES)'); \
	cmake --build $(TSANBUILD) -j $(JOBS) --target $$suites; \
	for s in $$suites; do $$(find $(TSANBUILD)/tests -name $$s -type f); done

# Every include runs downwards; only platform/ may include the operating
# system, SDL, FFmpeg or GL (scripts/check_layering.py).
layering:
	@scripts/check-layering.sh

fuzz: test-sanitize
	@set -e; for f in $$(cat $(SANBUILD)/fuzzers.txt 2>/dev/null); do \
	  echo "fuzz $$f for $(FUZZ_SECONDS) s"; \
	  $(SANBUILD)/fuzzers/$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 \
	      2>$(SANBUILD)/fuzzers/$$f.log || { tail -50 $(SANBUILD)/fuzzers/$$f.log; exit 1; }; \
	done

format:
	clang-format -i $(SOURCES)

format-check:
	@clang-format --dry-run --Werror $(SOURCES) || \
	  { echo "Sources are not formatted: run 'make format'."; exit 1; }
