# Skiff: the two set-up commands (see README.md).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 600

.PHONY: all deps configure build test bench fuzz run format clean

all: build

deps:
	@tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: build
	@tools/bench.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS seconds (`make test` runs each for 30).
fuzz: build
	for t in favorites propertybag; do \
	    tests/fuzz/run.sh $(BUILD)/tests/fuzz/fuzz_$$t $(FUZZ_SECONDS) \
	        tests/fuzz/corpus/$$t $(BUILD)/tests/fuzz/long-$$t || exit 1; \
	done

run: build
	@tools/run.sh $(BUILD)/skiff

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)

# `make install PREFIX=/usr DESTDIR=/tmp/stage`: the program, its desktop entry, icon,
# metainfo, manual page, licence and changelog under PREFIX (default /usr/local), staged under
# DESTDIR when given.
# `make package`: the Debian package build/skiff_VERSION_ARCH.deb, to install with
# `sudo apt install ./build/skiff_*.deb`.
PREFIX ?= /usr/local
.PHONY: install package

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cmake --build $(BUILD) --target package
