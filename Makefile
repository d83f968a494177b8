# The two everyday commands: `make run` opens the window, `make test` runs every test.
# Both install what is missing first (Debian and Ubuntu): each target installs the package sets
# of tools/install-deps.sh that it needs, DEV_DEPS for the dev build.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
export JOBS
# ON makes warnings in the programs' own code errors (CI sets it in the environment).
SONDREL_WERROR ?= OFF

# Each build prints one line; its output goes to build/<preset>/build.log, shown in full when
# it fails or warns. Tests print ctest's progress and summary, a failure's output in full, and
# then the tests that skipped themselves, with their reasons.
BUILD = tools/build.sh
TESTS = tools/run-tests.sh
DEV_DEPS = @build @native @window @tests @bench

.PHONY: all deps build run test test-asan clean

all: build

deps:
	@tools/install-deps.sh $(DEV_DEPS)

build: deps
	@$(BUILD) dev -DSONDREL_WERROR=$(SONDREL_WERROR)

# The window needs a display; without one, say how to get one rather than let Qt abort.
# Builds the programs only, not the tests.
run:
	@if [ "$$(uname -s)" = Linux ] && [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then \
	    echo "make run: no display (DISPLAY and WAYLAND_DISPLAY are unset): run it on a desktop, or headless with 'xvfb-run -a make run' or 'QT_QPA_PLATFORM=offscreen make run'" >&2; \
	    exit 1; \
	fi
	@tools/install-deps.sh $(DEV_DEPS)
	@$(BUILD) dev -DSONDREL_WERROR=$(SONDREL_WERROR) --target sondrel sondrel-calc
	@build/dev/app/sondrel

test: build
	@$(TESTS) dev

test-asan: deps
	@$(BUILD) asan -DSONDREL_WERROR=$(SONDREL_WERROR)
	@$(TESTS) asan

clean:
	rm -rf build

# `make package`: the Debian package build/dev/sondrel_<version>-1_<arch>.deb.
.PHONY: package
package: build
	@tools/install-deps.sh dpkg-dev
	@cmake --build --preset dev --target package >build/dev/package.log 2>&1 || { \
	    cat build/dev/package.log >&2; \
	    echo "make package FAILED; the output above is kept in build/dev/package.log" >&2; \
	    exit 1; }
	@echo "package: build/dev/$$(cd build/dev && ls -t sondrel_*.deb | head -n 1) (log: build/dev/package.log)"

# `make screenshot`: docs/screenshot.png, the window under Xvfb after "Calculate" on the defaults.
.PHONY: screenshot
screenshot: build
	@mkdir -p docs
	xvfb-run -a -s "-screen 0 1024x768x24" build/dev/app/sondrel-screenshot docs/screenshot.png

# `make fuzz`: the libFuzzer targets (clang, build/fuzz), each run FUZZ_SECONDS from the seeds
# in fuzz/corpus; a failing input is kept in build/fuzz/artifacts.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := text_to_number format_number session batch
.PHONY: fuzz
fuzz:
	@tools/install-deps.sh @build clang libfuzzer-14-dev libclang-rt-14-dev
	@$(BUILD) fuzz --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@tools/run-fuzzers.sh $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# `make test-valgrind`: sondrel-calc and the core's tests of the dev build under valgrind
# memcheck.
.PHONY: test-valgrind
test-valgrind:
	@tools/install-deps.sh $(DEV_DEPS) valgrind
	@$(BUILD) dev -DSONDREL_WERROR=$(SONDREL_WERROR) \
	    --target sondrel-calc calc_tests files_tests cli_tests fuzz_corpus_tests
	@tools/valgrind-check.sh build/dev

# `make test-windows`: the window, sondrel-calc and their tests cross-built for Windows
# (MinGW-w64 and a static Qt built once into ~/.cache/sondrel, build/windows) and run under
# Wine: the tests headless, the smoke runs of both programs on Xvfb. `make qt-mingw` builds
# that Qt alone (or says it is cached).
WINDOWS_DEPS = $(DEV_DEPS) g++-mingw-w64-x86-64-posix wine64 fonts-wine googletest dpkg-dev \
	ninja-build qt6-base-dev-tools openbox xdotool imagemagick zip unzip wixl msitools
.PHONY: qt-mingw test-windows package-windows screenshot-windows
qt-mingw:
	@tools/install-deps.sh $(WINDOWS_DEPS)
	@JOBS=$(JOBS) tools/build-qt-mingw.sh

test-windows: qt-mingw
	@JOBS=$(JOBS) tools/test-windows.sh

# `make package-windows`: the installer build/windows/sondrel-<version>-windows-x86_64.msi
# (wixl) and the portable .zip beside it; packaging/check-windows.sh checks both.
package-windows: qt-mingw
	@$(BUILD) windows --target sondrel sondrel-calc
	@packaging/package-windows.sh build/windows

# `make screenshot-windows`: docs/screenshot-windows.png, taken by the smoke run of test-windows.
screenshot-windows: test-windows
	cp build/windows/smoke/screenshot-windows.png docs/screenshot-windows.png

# `make web`: build/web/sondrel.html, the calculator in one self-contained page (WebAssembly
# from Debian's clang 19 for WASI). `make test-web`: the page's module against sondrel-calc
# on the exactness table, then the page in headless Chromium (docs/web-*.png are its screenshots).
WEB_DEPS = @build clang-19 lld-19 libc++-19-dev-wasm32 libc++abi-19-dev-wasm32 \
	libclang-rt-19-dev-wasm32 wasi-libc python3
WEB_TEST_DEPS = @native nodejs chromium chromium-driver python3-selenium fonts-dejavu-core
# The page's tests compare with a native sondrel-calc: the dev build's where there is one (CI's
# comes from `make test`), else that of the cli preset, which builds it alone, without Qt.
WEB_CALC_PRESET = $(if $(wildcard build/dev/CMakeCache.txt),dev,cli)
.PHONY: web test-web
web:
	@tools/install-deps.sh $(WEB_DEPS)
	@$(BUILD) web -DSONDREL_WERROR=$(SONDREL_WERROR)
	@echo "web: build/web/sondrel.html, $$(wc -c <build/web/sondrel.html) bytes; build/web/site/, the folder to publish"

test-web: web
	@tools/install-deps.sh $(WEB_DEPS) $(WEB_TEST_DEPS)
	@$(BUILD) $(WEB_CALC_PRESET) -DSONDREL_WERROR=$(SONDREL_WERROR) --target sondrel-calc
	@SONDREL_CALC=build/$(WEB_CALC_PRESET)/cli/sondrel-calc tools/test-web.sh
