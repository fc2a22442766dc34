# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps desktop-deps configure build tools run test bench clean

all: build

deps:
	@scripts/install-deps.sh

desktop-deps:
	@scripts/install-deps.sh --desktop

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Puts the outside tools beside the program: Debian's par2, and rar when it is on PATH.
tools: build
	@scripts/link-tools.sh $(BUILD)/bin

run: desktop-deps tools
	@$(BUILD)/bin/kelvora $(ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

clean:
	@rm -rf $(BUILD)
