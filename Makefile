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

# Plays the 1280x720 build from build/assets, where the textures and the soundtrack live.
run: build
	@mkdir -p $(BUILD_DIR)/assets
	@cd $(BUILD_DIR)/assets && ../quessaly-1280x720

clean:
	@rm -rf $(BUILD_DIR)
