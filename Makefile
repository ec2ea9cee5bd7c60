# Thin wrapper around CMake and CTest; see README.md.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= 2

PREFIX ?= /usr/local

.PHONY: all build run test bench sanitize install clean deps

all: build

deps:
	@tools/ensure-deps

$(BUILD_DIR)/build.ninja: | deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

build: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) -j $(JOBS) >&2

run: build
	@./$(BUILD_DIR)/growth-planner $(ARGS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Benchmarks: Google Benchmark for the search and the writer, then whole runs.
bench: build
	./$(BUILD_DIR)/search_bench
	BENCH_DIR=$(CURDIR)/$(BUILD_DIR) ./$(BUILD_DIR)/write_bench
	bench/program_runs.sh $(BUILD_DIR)/growth-planner

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@test -f $(SANITIZE_DIR)/build.ninja || cmake -S . -B $(SANITIZE_DIR) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROWTH_PLANNER_SANITIZE=address,undefined >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) >&2
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

# Puts the program at $(PREFIX)/bin/growth-planner.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
