# The two commands a newcomer needs: `make run` and `make test`.
# Both first install any missing Debian packages (tools/deps.sh).
JOBS ?= $(shell nproc)

.PHONY: all deps run test build-dev build-release clean

all: build-release

deps:
	@bash tools/deps.sh

build-dev: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)

build-release: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# Runs the plug-in in the simulated world on the built-in default scenario.
run: build-release
	./build/release/sim/harkvane-sim --workdir out/run

# Builds everything and runs every test (in CI, a skipped test fails the run).
test: build-dev
	bash tools/run-ctest.sh build/dev

clean:
	rm -rf build out
