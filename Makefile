# Thin wrapper around CMake and CTest; see README.md.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS ?= 2

PREFIX ?= /usr/local

.PHONY: all build run test bench sanitize fuzz install clean deps

all: build

deps:
	@tools/ensure-deps

$(BUILD_DIR)/build.ninja: | deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

build: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) -j $(JOBS) >&2

# Only the program: the tests and benchmarks are left for make test.
run: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) --target growth-planner -j $(JOBS) >&2
	@./$(BUILD_DIR)/growth-planner $(ARGS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Benchmarks: Google Benchmark for the search and the writer, then whole runs.
bench: build
	./$(BUILD_DIR)/search_bench
	BENCH_DIR=$(CURDIR)/$(BUILD_DIR) ./$(BUILD_DIR)/write_bench
	bench/program_runs.sh $(BUILD_DIR)/growth-planner
	bench/real_caps.sh $(BUILD_DIR)/growth-planner

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@test -f $(SANITIZE_DIR)/build.ninja || cmake -S . -B $(SANITIZE_DIR) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROWTH_PLANNER_SANITIZE=address,undefined >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) >&2
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

# The libFuzzer harness over the option scan and short runs, built with
# clang, for FUZZ_SECONDS; new inputs it finds go to $(FUZZ_DIR)/corpus.
fuzz:
	@tools/ensure-deps fuzz
	@test -f $(FUZZ_DIR)/build.ninja || CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROWTH_PLANNER_FUZZ=ON \
		-DGROWTH_PLANNER_SANITIZE=address,undefined >/dev/null
	@cmake --build $(FUZZ_DIR) --target options_fuzzer -j $(JOBS) >&2
	@mkdir -p $(FUZZ_DIR)/corpus
	./$(FUZZ_DIR)/options_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=20 -rss_limit_mb=4096 \
		-print_final_stats=1 $(FUZZ_DIR)/corpus tests/fuzz/corpus

# Puts the program at $(PREFIX)/bin/growth-planner and its manual page at
# $(PREFIX)/share/man/man1/growth-planner.1; builds only those two.
install: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) --target growth-planner man_page -j $(JOBS) >&2
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
