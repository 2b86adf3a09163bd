#!/usr/bin/env bash
# Installs, with apt-get, only the Debian packages this project needs and the machine lacks.
# Idempotent: prints nothing to install when everything is present. --test adds what only the
# tests need; --callgrind adds valgrind; --minimal is just enough to build and run the unit tests.
set -euo pipefail

# --sim is only what building and running the simulator needs (make run).
sim=(cmake g++ make nlohmann-json3-dev zlib1g-dev ccache)
need=("${sim[@]}" libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64-posix wine64
      clang libclang-rt-14-dev binutils-mingw-w64-x86-64 libz-mingw-w64-dev zip)
[ "${1:-}" = "--sim" ] && need=("${sim[@]}")
[ "${1:-}" = "--minimal" ] && need=("${sim[@]}" libgtest-dev libgmock-dev)
# The browser tests of the report pages (make test, CI): Debian's Chromium, driven by Node, and a
# font for its screenshots.
[ "${1:-}" = "--test" ] && need+=(chromium nodejs fonts-dejavu-core)
# Instruction counts of the frame benchmark (make bench-callgrind) only.
[ "${1:-}" = "--callgrind" ] && need+=(valgrind)

missing=()
for p in "${need[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            SUDO=sudo
        else
            echo "deps: not root; please run: sudo apt-get install ${missing[*]}" >&2
            exit 1
        fi
    else
        SUDO=
    fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests' driver, playwright-core at the version the lock file pins, from the npm
# registry; it drives Debian's chromium and never downloads a browser. Installed again only
# when the installed version is not the pinned one.
if [ "${1:-}" = "--test" ]; then
    browser="$(cd "$(dirname "$0")/../tests/browser" && pwd)"
    version() { node -p "require(process.argv[1])$2" "$1" 2>/dev/null || true; }
    want="$(version "$browser/package-lock.json" '.packages["node_modules/playwright-core"].version')"
    have="$(version "$browser/node_modules/playwright-core/package.json" '.version')"
    if [ "$want" != "$have" ]; then
        if ! command -v npm >/dev/null 2>&1; then
            echo "deps: installing npm"
            ${SUDO-} apt-get install -y -qq --no-install-recommends npm
        fi
        echo "deps: installing the browser driver playwright-core $want (npm ci in tests/browser)"
        PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefix "$browser" --no-audit --no-fund \
            --loglevel=error
    fi
fi
