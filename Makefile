# Wraps the CMake build: every target installs what is missing, configures a Release build in build/ and builds.
BUILD_DIR := build
JOBS := $(shell nproc)

.PHONY: all deps configure build test bench run clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bench/quessaly_bench

run: build
	@echo "The demo program is not built yet: 'make run' will play it once the shell lands."

clean:
	@rm -rf $(BUILD_DIR)
