# QELT developer commands. `make test` and `make run` work on a fresh Debian 12 machine.

SHELL := /bin/bash

BUILD_DIR      ?= build
FUZZ_DIR       ?= build-fuzz
RELEASE_DIR    ?= build-release
PACKAGE_DIR    ?= build-package
FUZZ_SECONDS   ?= 15
JOBS           ?= $(shell nproc)
CMAKE_FLAGS    ?=

FUZZERS := fuzz_timetable fuzz_common_tracks fuzz_playlists fuzz_ini fuzz_day_calendar fuzz_mpeg_frames \
           fuzz_audio_kind

export QELT_NO_POWEROFF := 1
export QELT_AUDIO_SINK ?= fakesink sync=true

RUN_DIR        ?= build-run
DEMO_DIR       ?= build/demo

.PHONY: all deps build test unit fuzz fuzz-build bench release clean format run screenshots package

all: build

deps:
	bash scripts/deps.sh

# The test build: AddressSanitizer and UndefinedBehaviorSanitizer on.
build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQELT_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The fuzzers run first so that CTest's summary is the last thing printed.
test: build fuzz
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

unit: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

fuzz-build: deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQELT_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZERS)

# Runs every file-reader fuzzer for FUZZ_SECONDS seconds, seeded with the test vectors.
fuzz: fuzz-build
	@for f in $(FUZZERS); do \
	    corpus=$(FUZZ_DIR)/corpus/$$f; mkdir -p $$corpus; \
	    cp -n tests/fuzz/corpus/$$f/* $$corpus/ 2>/dev/null || true; \
	    echo "== $$f for $(FUZZ_SECONDS) s"; \
	    if ! $(FUZZ_DIR)/bin/$$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	        -artifact_prefix=$(FUZZ_DIR)/ -print_final_stats=1 $$corpus > $(FUZZ_DIR)/$$f.log 2>&1; then \
	        tail -n 60 $(FUZZ_DIR)/$$f.log; echo "$$f FAILED"; exit 1; \
	    fi; \
	    grep -E '^(Done|stat::number_of_executed_units)' $(FUZZ_DIR)/$$f.log; \
	done

# Benchmarks and the program itself build without sanitizers.
release: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(RELEASE_DIR) -j $(JOBS)

bench: release
	@for b in $(RELEASE_DIR)/bench/bench_*; do [ -x "$$b" ] || continue; echo "== $$b"; "$$b" || true; done

# The Debian package (qelt_VERSION_ARCH.deb in PACKAGE_DIR) from a build of its own without
# sanitizers, holding only what is installed; then its check unpacks it into a temporary
# root and runs the programs from there.
package: deps
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQELT_PACKAGE=ON $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_DIR) -j $(JOBS) --target qelt qelt-tool qelt_guide qelt_package_docs
	rm -f $(PACKAGE_DIR)/qelt_*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB
	bash tests/package/check_package.sh $(PACKAGE_DIR)

# The program on a fresh demo folder, with the real audio output. Without a display it
# runs under Xvfb and prints its events, so the terminal shows it counting and ringing.
run: deps
	cmake -S . -B $(RUN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(RUN_DIR) -j $(JOBS) --target qelt qelt-tool
	rm -rf $(DEMO_DIR) && mkdir -p $(dir $(DEMO_DIR))
	$(RUN_DIR)/bin/qelt-tool demo $(DEMO_DIR)
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "run: no display (DISPLAY and WAYLAND_DISPLAY are empty): running under xvfb-run, events below"; \
	    env -u QELT_AUDIO_SINK QELT_EVENT_LOG=/dev/stdout xvfb-run -a $(RUN_DIR)/bin/qelt --dir $(DEMO_DIR); \
	else \
	    env -u QELT_AUDIO_SINK $(RUN_DIR)/bin/qelt --dir $(DEMO_DIR); \
	fi

# PNGs of the main window in both views, the player window and the notifier.
screenshots: build
	rm -rf $(BUILD_DIR)/screenshots && mkdir -p $(BUILD_DIR)/screenshots
	ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/qelt_screenshots $(BUILD_DIR)/screenshots $(BUILD_DIR)/bin/qelt-tool
	ASAN_OPTIONS=detect_leaks=0 QELT_SCREENSHOT_DIR=$(BUILD_DIR)/screenshots /usr/bin/python3 \
	    tests/e2e/qelt_remote_browser_test.py $(BUILD_DIR)/bin/qelt $(BUILD_DIR)/bin/qelt-tool || [ $$? -eq 77 ]
	@ls $(BUILD_DIR)/screenshots

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(RELEASE_DIR) $(PACKAGE_DIR)
