# make run   builds and starts the host application on the embedded SQLite default
# make test  builds and runs the whole test suite headless
# Both install the Debian packages they need first.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DKESTA_WERROR=ON
endif
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test test-asan clean

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/velkora $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan:
	$(MAKE) test BUILD=build-asan BUILD_TYPE=Debug CMAKE_FLAGS="-DKESTA_SANITIZE=ON"

clean:
	rm -rf $(BUILD) build-asan
