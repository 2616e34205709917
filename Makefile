# make run   builds and starts the host application on the embedded SQLite default
# make test  builds and runs the whole test suite headless
# Both install the Debian packages they need first.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR ?= OFF
DEBUG_INFO ?= ON
UNITY ?= OFF
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
SHELL := /bin/bash
PREFIX ?= /usr/local

.PHONY: deps configure build run test test-asan clean
.PHONY: install package fuzz faults stress bench

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKESTA_WERROR=$(WERROR) -DKESTA_DEBUG_INFO=$(DEBUG_INFO) \
	    -DKESTA_UNITY_BUILD=$(UNITY) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/velkora $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The suite under AddressSanitizer and UBSan; little debug information and no benchmarks, to
# keep the build short. Unoptimised: at -O1 the libraries took two thirds more CPU time to
# compile than at -O0, more than the suite could win back by running faster.
test-asan:
	$(MAKE) test BUILD=build-asan BUILD_TYPE=Debug \
	    CMAKE_FLAGS="-DKESTA_SANITIZE=ON -DKESTA_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1"

# make install PREFIX=/opt/velkora   installs the built program under PREFIX (bin/, lib/, share/)
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# make package   builds velkora_<version>_<arch>.deb here (CPack) and checks its contents
package: build
	rm -f velkora_*.deb $(BUILD)/package/velkora_*.deb
	cd $(BUILD) && cpack -G DEB
	cp $(BUILD)/package/velkora_*.deb .
	packaging/check-package.sh velkora_*.deb

# make bench   the benchmarks' figures and ratios: the test's throughput beside wc -l, gawk and
# pandas (BENCH_ARGS=--gigabyte adds a 1 GB file), save and load on SQLite and PostgreSQL, start-up
BENCH_ARGS ?=
bench: build
	bench/run.sh $(BUILD) $(BENCH_ARGS)

# make faults   saves killed at 100 random points, a locked and a full SQLite file: the stored
# load format stays whole (the test suite runs 25 of the killed saves).
faults: build
	cd $(BUILD) && KESTA_FAULT_TRIALS=100 QT_QPA_PLATFORM=offscreen ./bin/tst_storage killedConnection lockedSqliteFile fullSqliteDatabase

# make stress STRESS_SECONDS=60 STRESS_WORKERS=4   several users (threads with a connection
# each) saving, loading, deactivating and reactivating the same keys on one PostgreSQL server.
STRESS_SECONDS ?= 60
STRESS_WORKERS ?= 4
stress: build
	cd $(BUILD) && KESTA_STRESS_SECONDS=$(STRESS_SECONDS) KESTA_STRESS_WORKERS=$(STRESS_WORKERS) \
	    QT_QPA_PLATFORM=offscreen ./bin/tst_stress

# make fuzz FUZZ_SECONDS=300   runs each fuzzer (libFuzzer, clang, ASan/UBSan) for that long,
# starting from the checked-in seeds in fuzz/corpus; what they find is left in build-fuzz/.
FUZZ_SECONDS ?= 60
FUZZERS = loadformat statements
fuzz:
	@scripts/install-deps.sh fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DKESTA_FUZZ=ON -DKESTA_DEBUG_INFO=OFF -DKESTA_UNITY_BUILD=$(UNITY)
	cmake --build build-fuzz -j $(JOBS) $(addprefix --target fuzz_,$(FUZZERS))
	@for f in $(FUZZERS); do \
	    mkdir -p build-fuzz/corpus/$$f build-fuzz/findings && \
	    echo "== fuzz_$$f for $(FUZZ_SECONDS) s" && \
	    ( QT_QPA_PLATFORM=offscreen build-fuzz/bin/fuzz_$$f -max_total_time=$(FUZZ_SECONDS) \
	        -print_final_stats=1 -artifact_prefix=build-fuzz/findings/$$f- \
	        build-fuzz/corpus/$$f fuzz/corpus/$$f > build-fuzz/fuzz_$$f.log 2>&1 ; \
	      echo $$? > build-fuzz/fuzz_$$f.status ) & \
	done; wait; failed=0; \
	for f in $(FUZZERS); do \
	    echo "== fuzz_$$f"; \
	    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==|SUMMARY|INFO: Seed)' build-fuzz/fuzz_$$f.log; \
	    [ "$$(cat build-fuzz/fuzz_$$f.status)" -eq 0 ] || { echo "fuzz_$$f failed: build-fuzz/fuzz_$$f.log"; failed=1; }; \
	done; exit $$failed

clean:
	rm -rf $(BUILD) build-asan build-fuzz
