# The two commands of the README:
#   make run   install what is missing, build (release) and start the viewer
#   make test  install what is missing, build (ASan + UBSan) and run every test
JOBS ?= $(shell nproc)

.PHONY: run test deps build-release build-test tsan bench clean

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
	build/release/app/tarnwick

test: build-test
	cd build/test && ctest --output-on-failure -j $(JOBS)
	$(MAKE) tsan

# ThreadSanitizer over the suites that start or serve threads only; the
# other suites are not built there, so their placeholders are skipped.
# Address-space randomisation is turned off for the run: with the large
# randomisation of recent kernels ThreadSanitizer cannot map its shadow.
tsan: deps
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DTARNWICK_TSAN=ON
	cmake --build build/tsan -j $(JOBS) --target threaded_tests
	cd build/tsan && setarch $$(uname -m) -R ctest --output-on-failure -j $(JOBS) -E _NOT_BUILT

bench: build-release
	@for b in build/release/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
