# SPDX-License-Identifier: GPL-3.0-or-later
# One entry point: `make run` starts the program, `make test` runs every test.
# Both install the Debian packages they need first (as root, or through sudo).

BUILD     ?= build
JOBS      ?= $(shell nproc)
CMAKE_ARGS ?=
PACKAGES  := cmake g++ make pkg-config qt6-base-dev qt6-translations-l10n libvips-dev libjpeg-dev libwebp-dev libheif-dev libsqlite3-dev \
             libraw-dev libxxhash-dev libcsv-dev qt6-tools-dev qt6-l10n-tools \
             libgtest-dev libbenchmark-dev libvips-tools xvfb xauth fonts-dejavu-core \
             dpkg-dev file appstream desktop-file-utils groff-base bash-completion lintian

.PHONY: deps configure build run cli test screenshot bench evaluate clean check-sanitize fuzz \
        package check-odr coverage check-format

# Installs the Debian packages named that are missing (as root, or through sudo).
define install
@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null \
	  | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install,$(PACKAGES))

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/morvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Pictures of the windows under docs/ (shown in the README), taken under Xvfb.
screenshot: build
	tools/screenshots.sh $(BUILD)/morvane docs

clean:
	rm -rf $(BUILD)

# The whole suite built by Clang with AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails, and so does any warning: this one build is also the Clang -Werror build. The
# packaging and layer checks run no C++ of ours and are left to `make test`.
SAN_BUILD ?= build-asan
SAN_FLAGS := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

check-sanitize: deps
	$(call install,clang)
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_C_FLAGS="$(SAN_FLAGS) -Werror" -DCMAKE_CXX_FLAGS="$(SAN_FLAGS) -Werror" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SAN_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(SAN_FLAGS)" $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -E '^(packaging_|layers$$)'

# Both programs linked whole (GCC's link-time optimisation), where two different types of one
# name in two files (the one-definition rule broken) are an error: each file alone compiles,
# and an unoptimised build may quietly use the wrong one.
ODR_BUILD ?= build-odr
ODR_FLAGS := -Werror=odr -Werror=lto-type-mismatch

check-odr: deps
	cmake -S . -B $(ODR_BUILD) -DCMAKE_BUILD_TYPE=Release -DMORVANE_TESTS=OFF \
	  -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON -DCMAKE_CXX_FLAGS="$(ODR_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(ODR_FLAGS)" $(CMAKE_ARGS)
	cmake --build $(ODR_BUILD) -j $(JOBS) --target morvane morvane-cli

# Line coverage of each layer: a GCC build with --coverage in build-coverage/ (counters updated
# atomically, since threads share them), the whole suite run on it (the packaging and layer
# checks, which run no C++, left out), then tools/coverage.py sums gcovr's figures per folder.
# Tests, benchmarks and generated files do not count. -Og: unoptimised, the similar mode's
# exhaustive test alone took five minutes (a minute and a half at -Og), and each layer's figure
# stays within 1.5 points of the unoptimised one.
COV_BUILD ?= build-coverage
coverage: deps
	$(call install,gcovr)
	cmake -S . -B $(COV_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic -Og" \
	  -DCMAKE_EXE_LINKER_FLAGS=--coverage $(CMAKE_ARGS)
	cmake --build $(COV_BUILD) -j $(JOBS)
	find $(COV_BUILD) -name '*.gcda' -delete
	cd $(COV_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure -j $(JOBS) -E '^(packaging_|layers$$)'
	tools/coverage.py $(COV_BUILD)

# Every tracked C++ file checked against .clang-format; lists those that differ and fails.
# `clang-format -i FILE` fixes one.
check-format:
	$(call install,clang-format)
	@bad=$$(git ls-files '*.cpp' '*.h' | xargs -P $(JOBS) -I{} sh -c \
	  'clang-format --dry-run --Werror "{}" >/dev/null 2>&1 || echo "{}"' | sort); \
	if [ -n "$$bad" ]; then echo "Not formatted as .clang-format says:"; \
	  echo "$$bad" | sed 's/^/  /'; exit 1; fi; \
	echo "Every C++ file follows .clang-format."
	@bare=$$(git ls-files '*.cpp' '*.h' '*.py' '*.sh' '*CMakeLists.txt' '*.cmake' '*.1' \
	  | xargs grep -L 'SPDX-License-Identifier'); \
	if [ -n "$$bare" ]; then echo "No SPDX licence line:"; echo "$$bare" | sed 's/^/  /'; \
	  exit 1; fi; echo "Every source file names its licence."

# libFuzzer targets (clang), each run for FUZZ_SECONDS on its own corpus; a finding fails.
FUZZ_SECONDS ?= 60
fuzz: deps
	$(call install,clang)
	fuzz/run $(FUZZ_SECONDS)

# Benchmarks (Release build in build-bench): micro-benchmarks, then the whole run on a
# generated library of BENCH_COUNT pictures (1000 unless set in the environment).
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMORVANE_BENCH=ON $(CMAKE_ARGS)
	cmake --build build-bench -j $(JOBS) --target morvane-cli make_library run_phases micro_bench
	bench/micro.sh build-bench
	bench/whole_run.sh build-bench $${BENCH_COUNT:-1000}

# A Debian package (Release build in build-package, binaries stripped); its dependencies are
# read from the binaries by dpkg-shlibdeps. Install it with `apt install ./build-package/...`.
PKG_BUILD ?= build-package
package: deps
	cmake -S . -B $(PKG_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DMORVANE_TESTS=OFF -DMORVANE_SOURCE_DOCS=OFF $(CMAKE_ARGS)
	cmake --build $(PKG_BUILD) -j $(JOBS)
	cd $(PKG_BUILD) && cpack -G DEB
	@ls $(PKG_BUILD)/morvane_*.deb

# Near copies found and negatives kept apart: EVALUATE_COUNT originals (60 unless set) cut from
# the photographs of pinned Debian packages (installed by the script), each with its edited
# copies, a mirror, a shifted and a neighbouring window, scored at several thresholds. The
# corpus is made once, in the build folder. The second set's copies are made with Pillow.
evaluate: configure
	$(MAKE) --no-print-directory deps PACKAGES="python3-pil python3-numpy"
	cmake --build $(BUILD) -j $(JOBS) --target morvane-cli
	bench/near_copies/evaluate.sh $(BUILD) $${EVALUATE_COUNT:-60}
