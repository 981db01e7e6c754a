# The two commands of the README:
#   make run   install what is missing, build (release) and start the viewer
#   make test  install what is missing, build (ASan + UBSan) and run every test
JOBS ?= $(shell nproc)

.PHONY: run test deps build-release build-test bench clean

deps:
	bash scripts/install-deps.sh

build-release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DTARNWICK_BENCH=ON -DTARNWICK_TESTS=OFF
	cmake --build build/release -j $(JOBS)

build-test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=ON
	cmake --build build/test -j $(JOBS)

run: build-release
	@if [ -x build/release/app/tarnwick ]; then build/release/app/tarnwick; \
	else echo "The viewer is not built yet: 'make run' only builds the engine and benchmarks."; fi

test: build-test
	cd build/test && ctest --output-on-failure -j $(JOBS)

bench: build-release
	@for b in build/release/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
