# Front door: make (build), make test, make demo, make bench.
BUILD_DIR ?= build
BRAND_CONFIG ?=
CMAKE_ARGS ?=
JOBS ?= 2

BRAND_ARGS :=
ifneq ($(BRAND_CONFIG),)
BRAND_ARGS := -DBRAND_CONFIG=$(abspath $(BRAND_CONFIG))
endif

.PHONY: all build test demo bench bootstrap configure clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

configure:
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake $(BRAND_ARGS) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: bootstrap
	@$(MAKE) --no-print-directory build
	@bash scripts/run-tests.sh $(BUILD_DIR)

demo: bootstrap
	@bash demo/run-demo.sh

bench: bootstrap
	@$(MAKE) --no-print-directory build
	@bash scripts/bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
