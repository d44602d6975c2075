# Top-level entry points; the build itself is CMake's.
BUILD     ?= build
BUILD_SAN ?= build-san
BUILD_BENCH ?= build-bench
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
OUT       ?= out

.PHONY: all deps build run test sanitize bench clean

all: build

deps:
	@tools/deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run_sample.sh $(BUILD) $(OUT)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize: deps
	@cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_SAN) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_SAN) --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DORV_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS)
	@for b in $(BUILD_BENCH)/bench_*; do [ -x "$$b" ] && "$$b"; done; true
	@bench/peer_frame.py $(BUILD_BENCH)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_BENCH) $(OUT)
