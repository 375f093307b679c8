# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test tsan bench run clean format

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure --timeout 300 -j2
	@$(MAKE) --no-print-directory tsan

# The task pool and the search pipeline once more under ThreadSanitizer.
TSAN_TESTS = task_pool_test search_run_test
tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DKORVANE_SANITIZE=thread -DKORVANE_BUILD_APP=OFF >/dev/null
	@cmake --build build-tsan --target $(TSAN_TESTS)
	@ctest --test-dir build-tsan -R '^(TaskPool|SearchRun)' --output-on-failure --timeout 300 -j2

# Speed goals are measured here, never in unit tests.
bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_BENCH=ON -DKORVANE_BUILD_APP=OFF >/dev/null
	@cmake --build build-bench --target korvane_benchmarks
	@for b in $$(find build-bench -name '*_bench' -type f -executable | sort); do echo "== $$b"; $$b; done

run: build
	@bash scripts/run.sh $(BUILD)

format:
	@find src -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-*
