# The two commands of the README: `make run` and `make test`. Both install what is missing first
# and fetch the archiver (Debian's non-free `rar` package) into the build folder.
BUILD ?= build
PREFIX ?= /usr/local
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FETCHED_RAR = $(abspath $(BUILD))/rar-archiver/usr/bin/rar

.PHONY: all deps desktop-deps configure archiver build tools run test bench install package clean

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
