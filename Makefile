# One entry point: `make run` starts the program, `make test` runs every test.
# Both install the Debian packages they need first (as root, or through sudo).

BUILD     ?= build
JOBS      ?= $(shell nproc)
CMAKE_ARGS ?=
PACKAGES  := cmake g++ make pkg-config qt6-base-dev libvips-dev libgtest-dev \
             libbenchmark-dev libvips-tools xvfb xauth fonts-dejavu-core

.PHONY: deps configure build run cli test screenshot bench clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null \
	  | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/morvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
