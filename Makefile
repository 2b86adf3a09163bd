# The two commands a newcomer needs: `make run` and `make test`.
# Both first install any missing Debian packages (tools/deps.sh).
JOBS ?= $(shell nproc)
# `make test` runs its builds side by side, sharing $(JOBS) compile jobs through make's job
# server (the "+" recipes pass it to the build tool); a build started on its own takes
# $(JOBS) jobs itself.
BUILD_JOBS = $(if $(SHARED_JOBS),,-j $(JOBS))

.PHONY: all deps deps-sim deps-test run test update-traces build-dev build-release build-mingw build-fuzz build-sim-pgo dist clean bench bench-callgrind fuzz soak sweep sweep-cost

all: build-release

deps:
	@bash tools/deps.sh

# What only the tests need besides (the browser for the report page test).
deps-test:
	@bash tools/deps.sh --test

# Only what the simulator needs: `make run` leaves MinGW-w64, Wine and the test tools alone.
deps-sim:
	@bash tools/deps.sh --sim

build-dev: deps
	cmake --preset dev >/dev/null
	+cmake --build --preset dev $(BUILD_JOBS)

build-release: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# The Windows plug-in Harkvane.asi and the stand-in host that runs it under Wine.
build-mingw: deps
	cmake --preset mingw >/dev/null
	+cmake --build --preset mingw $(BUILD_JOBS)

# The libFuzzer targets (clang); the test suite replays their corpora and fuzzes them briefly.
build-fuzz: deps
	cmake --preset fuzz >/dev/null
	+cmake --build --preset fuzz $(BUILD_JOBS) --target fuzz_targets

# The players' package: dist/Harkvane-<version>.zip.
dist: build-mingw
	bash tools/make-dist.sh

# Runs the plug-in in the simulated world on the built-in default scenario (builds only the
# simulator, in release mode). TRACE=1 adds the native-call trace, gzip-compressed JSON lines.
run: deps-sim
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target harkvane-sim
	rm -rf out/run
	./build/release/sim/harkvane-sim --workdir out/run --timeline out/run/timeline.txt \
		--summary out/run/summary.json --map out/run/map.svg --report out/run/report.html \
		$(if $(TRACE),--trace out/run/trace.jsonl.gz)

# A representative evening of play (scenarios/evening.json: an outlaw roaming from the seed, a
# game day with the shipped Harkvane.ini) over SWEEP_SEEDS seeds, JOBS processes at a time:
# out/sweep/sweep.txt (printed), sweep.json and sweep.html. SWEEP_SCENARIO names another
# scenario; SWEEP_ARGS adds options, e.g. SWEEP_ARGS="--ini my/Harkvane.ini". The simulator it
# runs is the profile-guided build (tools/profile-build.sh): same outputs, less CPU a seed.
SWEEP_SEEDS ?= 100
SWEEP_SCENARIO ?= scenarios/evening.json
SWEEP_ARGS ?=
sweep: build-sim-pgo
	./build/release-pgo/sim/harkvane-sim $(SWEEP_SCENARIO) --sweep $(SWEEP_SEEDS) --jobs $(JOBS) \
		--workdir out/sweep $(SWEEP_ARGS)

build-sim-pgo: deps-sim
	bash tools/profile-build.sh $(JOBS)

# A 20-seed game-day sweep under Wine beside the same sweep on Linux: both times, same files.
sweep-cost: build-mingw
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target harkvane-sim
	bash tools/sweep-cost.sh 20 $(JOBS)

# Builds everything and runs every test (in CI, a skipped test fails the run).
test: deps-test
	$(MAKE) --no-print-directory -j $(JOBS) SHARED_JOBS=1 build-dev build-mingw build-fuzz
	bash tools/run-ctest.sh build/dev

# Records the native-call trace the spawn-attempt test compares against, after a change to the
# calls that is intended (review the diff of tests/data/ before committing). Never part of
# `make test`: the test only compares.
update-traces: build-dev
	-./build/dev/tests/harkvane_tests --gtest_filter='*MatchesTheRecordedTrace*'
	cp build/dev/tests/test-output/spawn_attempt.trace tests/data/spawn_attempt.trace
	git diff --stat -- tests/data

# Frame cost against a constant-time host, beside the replayed native traffic; prints the table
# and the targets (optimised build).
bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target harkvane_bench
	./build/release/bench/harkvane_bench --benchmark_repetitions=3

# Instructions per steady frame at 40 hunters (stable across runs, unlike times).
bench-callgrind: deps
	@bash tools/deps.sh --callgrind
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target harkvane_bench
	valgrind --tool=callgrind --callgrind-out-file=/tmp/harkvane-bench.callgrind \
	    --collect-atstart=no --toggle-collect='*SteadyFrames*' \
	    ./build/release/bench/harkvane_bench --steady-frames 40 1000 2>&1 | grep -E 'Collected|frames'
	@echo "instructions per frame = Collected / 1000"

# A whole game day in the simulated world with every fault on, under ASan and UBSan (dev build).
SOAK_SEED ?= 1
soak: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS) --target harkvane_soak
	./build/dev/tests/harkvane_soak --hours 24 --seed $(SOAK_SEED) --workdir out/soak

# libFuzzer targets (clang, ASan, UBSan): the seed corpora, then FUZZ_SECONDS of fuzzing each.
FUZZ_SECONDS ?= 120
fuzz: deps
	JOBS=$(JOBS) bash tools/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf build out
