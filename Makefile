# The two commands of the README: `make run` and `make test`. Both install what is missing first
# and fetch the archiver (Debian's non-free `rar` package) into the build folder.
BUILD ?= build
PREFIX ?= /usr/local
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FETCHED_RAR = $(abspath $(BUILD))/rar-archiver/usr/bin/rar

.PHONY: all deps desktop-deps configure archiver build tools run test test-sanitize fuzz bench install \
	package clean windows-deps windows windows-zip test-windows

all: build

deps:
	@scripts/install-deps.sh

desktop-deps:
	@scripts/install-deps.sh --desktop

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

# RARLAB's archiver from Debian's non-free component, cached in $(BUILD)/rar-archiver; offline
# the build goes on without it.
archiver: deps
	@scripts/fetch-rar.sh $(BUILD)

build: configure archiver
	@cmake --build $(BUILD) -j$(JOBS)

# Puts the outside tools beside the program: Debian's par2, and rar (the user's own from PATH,
# else the fetched one).
tools: build
	@scripts/link-tools.sh $(BUILD)/bin $(FETCHED_RAR)

run: desktop-deps tools
	@$(BUILD)/bin/kelvora $(ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

# The tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer into
# $(SANBUILD): the program, the stand-in archiver and test_child too, so the children the tests
# start are checked as well (the system's par2 and RARLAB's archiver run as they are). -O1 and no
# benchmarks keep it quick. Only leaks inside third-party libraries are suppressed.
SANBUILD ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps archiver
	@cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
		-DKELVORA_SANITIZE=ON -DKELVORA_BUILD_BENCH=OFF >/dev/null
	@[ -e $(SANBUILD)/rar-archiver ] || ln -sfn $(abspath $(BUILD))/rar-archiver $(SANBUILD)/rar-archiver
	@cmake --build $(SANBUILD) -j$(JOBS)
	@cd $(SANBUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j$(JOBS) --timeout 600

# libFuzzer targets (fuzz/) built with clang into $(FUZZBUILD), each run for FUZZ_SECONDS from
# its seed corpus in fuzz/corpus/, then a summary: executions per target and any failure.
FUZZBUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz:
	@scripts/install-deps.sh --fuzz
	@cmake -S fuzz -B $(FUZZBUILD) -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZBUILD) -j$(JOBS)
	@scripts/run-fuzzers.sh $(FUZZBUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

# The program into $(PREFIX) (DESTDIR is honoured), as a desktop knows it.
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A .deb for `apt-get install ./kelvora_*.deb`, left in $(BUILD).
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD)

# Windows, cross-built here with mingw-w64 against a Qt cross-built once into $(WINBUILD)/qt6-mingw
# (about two hours on two cores; later runs find it there). Kelvora.exe and Help.chm end up in
# $(WINBUILD)/kelvora/bin. Nothing of this runs in `make test`.
WINBUILD ?= build-windows
WINKELVORA = $(WINBUILD)/kelvora
WINTESTS = $(WINBUILD)/tests
WINCMAKE = -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	-DKELVORA_BUILD_BENCH=OFF

windows-deps:
	@scripts/windows/install-deps.sh

windows: windows-deps
	@scripts/windows/build-qt.sh $(WINBUILD)
	@cmake -S . -B $(WINKELVORA) $(WINCMAKE) -DCMAKE_PREFIX_PATH=$(abspath $(WINBUILD))/qt6-mingw \
		-DKELVORA_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(WINKELVORA) -j$(JOBS)

# kelvora-<version>-windows-x64.zip in $(WINBUILD): the program, the Qt and runtime DLLs it loads,
# Help.chm, phpar2.exe where it could be built, and a README.txt on rar.exe and phpar2.exe.
windows-zip: windows
	@scripts/windows/build-par2.sh $(WINBUILD) || echo "The zip goes without phpar2.exe; its README.txt says where to get one."
	@scripts/windows/make-zip.sh $(WINBUILD)

# The tests, cross-built into $(WINTESTS) and run under wine, headless: Qt on its off-screen
# platform, the stand-in archiver as rar.exe, and as phpar2.exe par2cmdline where build-par2.sh
# could build it, else a stand-in PAR2 tool. What needs Linux reports itself skipped.
test-windows: windows-deps
	@scripts/windows/build-qt.sh $(WINBUILD)
	@scripts/windows/build-gtest.sh $(WINBUILD)
	@scripts/windows/build-par2.sh $(WINBUILD) || echo "No phpar2.exe: the tests run the stand-in PAR2 tool."
	@cmake -S . -B $(WINTESTS) $(WINCMAKE) -DKELVORA_BUILD_TESTS=ON \
		-DCMAKE_PREFIX_PATH="$(abspath $(WINBUILD))/qt6-mingw;$(abspath $(WINBUILD))/gtest-mingw" \
		-DKELVORA_WINDOWS_PAR2=$(abspath $(WINBUILD))/tools/phpar2.exe >/dev/null
	@cmake --build $(WINTESTS) -j$(JOBS)
	@scripts/windows/wine.sh $(WINBUILD) -- ctest --test-dir $(WINTESTS) --output-on-failure -j$(JOBS) --timeout 600
