# Wraps the CMake build: every target installs what is missing, configures a Release build in build/ and builds.
BUILD_DIR := build
JOBS := $(shell nproc)

.PHONY: all deps configure build test bench bench-gpu run video fuzz sanitize clean install package windows windows-test web web-serve web-test

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Ends with a table of every per-frame loop beside its plain scalar twin.
bench: build
	@$(BUILD_DIR)/bench/quessaly_bench | tee $(BUILD_DIR)/bench.txt
	@awk -f scripts/bench-ratios.awk $(BUILD_DIR)/bench.txt

# Plays the 1280x720 build from build/assets, where the textures and the soundtrack live.
run: build
	@mkdir -p $(BUILD_DIR)/assets
	@cd $(BUILD_DIR)/assets && ../quessaly-1280x720

# Installs the demo, the render tool, the textures, the soundtrack, a desktop entry and an icon under PREFIX.
PREFIX ?= /usr/local
SUDO := $(shell [ -w "$(PREFIX)" ] || [ "$$(id -u)" = 0 ] || echo sudo)
install: build
	@$(SUDO) cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package of the same files under /usr: build/quessaly_<version>_<arch>.deb.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

# What a frame costs a machine with a GPU: Mesa's no-op driver keeps our work and the GL driver's front end and
# drops the pixels and vertices a GPU would take. The whole show at 1280x720 and 60 fps, judged per scene.
bench-gpu: build
	@cd $(BUILD_DIR)/assets && GALLIUM_NOOP=1 ../tools/render/quessaly-render --size 1280x720 --fps 60 --stats \
		--quiet | awk -f $(CURDIR)/scripts/bench-gpu.awk

# Renders the whole show to build/quessaly.mp4 (1280x720, 60 fps, with the soundtrack), a job a processor.
video: build
	@cd $(BUILD_DIR)/assets && ../tools/render/quessaly-render --size 1280x720 --fps 60 --video ../quessaly.mp4

# Fuzzes the PNG reader with libFuzzer for FUZZ_SECONDS, seeded with the PNG conformance images.
FUZZ_SECONDS ?= 60
TESTDATA := tests/data
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUESSALY_FUZZ=ON >/dev/null
	@cmake --build build-fuzz --target png_fuzzer -j $(JOBS)
	@mkdir -p build-fuzz/corpus
	@cp $(TESTDATA)/pngsuite/*.png $(TESTDATA)/png-crashers/*.png build-fuzz/corpus/ 2>/dev/null || true
	@build-fuzz/fuzz/png_fuzzer -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -print_final_stats=1 build-fuzz/corpus

# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer over the test suite and a whole-show
# render in build-sanitize/; any report fails the target. Runtime options: tools/sanitize; leak
# suppressions: scripts/lsan.supp.
sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUESSALY_SANITIZE=ON >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@cd build-sanitize && ctest --output-on-failure -j $(JOBS)
	@cd build-sanitize/assets && ../tools/render/quessaly-render --size 160x90 --fps 15 --quiet

# Cross-compiles both programs for Windows with mingw-w64 against libraries built from Debian's source
# packages (cached outside the tree by scripts/windows-deps.sh) and lays out build-windows/dist/ with the
# native build's textures and soundtrack, then zips it as build-windows/quessaly-windows.zip.
WINDOWS_DIR := build-windows
windows: configure
	@bash scripts/install-deps.sh --windows
	@cmake --build $(BUILD_DIR) --target assets -j $(JOBS)
	@deps=$$(bash scripts/windows-deps.sh) && cmake -S . -B $(WINDOWS_DIR) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUESSALY_WINDOWS_DEPS="$$deps" \
	  -DQUESSALY_ASSET_DIR="$(CURDIR)/$(BUILD_DIR)/assets" >/dev/null
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)
	@rm -rf $(WINDOWS_DIR)/dist $(WINDOWS_DIR)/quessaly $(WINDOWS_DIR)/quessaly-windows.zip
	@cmake --install $(WINDOWS_DIR) --prefix $(WINDOWS_DIR)/dist --strip >/dev/null
	@ln -s dist $(WINDOWS_DIR)/quessaly && cd $(WINDOWS_DIR) && zip -qr quessaly-windows.zip quessaly && rm quessaly
	@echo "$(WINDOWS_DIR)/quessaly-windows.zip"

# Runs the Windows build under Wine on a virtual display: its output, its picture and its exit on Escape.
windows-test: windows
	@bash scripts/windows-smoke.sh $(WINDOWS_DIR)/quessaly-windows.zip

# The show for a web browser in build-web/site/: the page, the program as WebAssembly and its data file (the
# textures and the soundtrack the native build makes). Emscripten from Debian; zlib and libpng built with it
# from Debian's source packages by scripts/web-deps.sh, cached outside the tree.
WEB_DIR := build-web
export NODE_PATH := /usr/share/nodejs
web: build
	@bash scripts/install-deps.sh --web
	@deps=$$(bash scripts/web-deps.sh) && emcmake cmake -S . -B $(WEB_DIR) -DCMAKE_BUILD_TYPE=Release \
		-DQUESSALY_WEB_DEPS="$$deps" -DQUESSALY_ASSETS="$(abspath $(BUILD_DIR))/assets" >/dev/null
	@cmake --build $(WEB_DIR) -j $(JOBS)
	@cd $(WEB_DIR)/site && echo "$(WEB_DIR)/site: $$(ls | tr '\n' ' ')($$(du -cb * | tail -1 | cut -f1) bytes)"

# Serves build-web/site on 127.0.0.1 and prints its address; Ctrl+C stops it.
WEB_PORT ?= 8123
web-serve: web
	@node scripts/web-serve.mjs $(WEB_DIR)/site $(WEB_PORT)

# The page in each browser engine, one after another: its console, its clock and its sound after a click;
# in Chromium also frames drawn at fixed times against the native shader path's. Every engine is checked
# even when one before it fails.
WEB_ENGINES := chromium firefox webkit
web-test: web
	@failed=""; for engine in $(WEB_ENGINES); do \
	  node --experimental-websocket scripts/web-check.mjs $(WEB_DIR)/site $(BUILD_DIR) $$engine || failed="$$failed $$engine"; \
	done; [ -z "$$failed" ] || { echo "web-test: failed in:$$failed" >&2; exit 1; }

clean:
	@rm -rf $(BUILD_DIR)
