# The README's two set-up commands for a fresh Debian 12 machine:
#   make demo   runs the main job on the built-in simulated network
#   make test   installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
BINDIR = $(PREFIX)/bin
DATADIR = $(PREFIX)/share
# ON: warnings are errors (make test and make sanitize set it; empty keeps what the build
# directory was configured with, OFF for a new one).
WERROR ?=
WERROR_FLAG = $(if $(WERROR),-DZENTREL_WERROR=$(WERROR))

PACKAGES := build-essential cmake pkg-config libpcap-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libssl-dev qt6-base-dev libfontconfig-dev iproute2 python3 \
            libcap2-bin
# Independent HomePlug AV software that the end-to-end tests drive plcsim with.
PACKAGES += plc-utils plc-utils-extra tshark python3-scapy
# promtool checks the metrics file of `zentrel watch --metrics`.
PACKAGES += prometheus

.PHONY: all deps configure build test demo install deb clean fuzz sanitize compile-release tidy

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run:"; \
	    echo "  sudo apt-get install -y $$missing"; \
	    exit 1; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR_FLAG)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: WERROR = ON
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@bash tools/demo.sh $(BUILD)

# The files come from cmake/Install.cmake, as for the Debian packages. Raw Ethernet needs
# CAP_NET_RAW and nothing more (a packet socket joins promiscuous mode without CAP_NET_ADMIN):
# grant it as capture tools do. plcsim gets none: see its manual page.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)
	-setcap cap_net_raw+ep $(DESTDIR)$(BINDIR)/zentrel
	-@if [ -f $(DESTDIR)$(BINDIR)/zentrel-utility ]; then setcap cap_net_raw+ep $(DESTDIR)$(BINDIR)/zentrel-utility; fi
	@if [ -z "$(DESTDIR)" ]; then \
	  command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t $(DATADIR)/icons/hicolor || true; \
	  command -v update-desktop-database >/dev/null && update-desktop-database -q $(DATADIR)/applications || true; \
	fi

# The Debian packages zentrel, zentrel-utility and plcsim, built with dpkg-buildpackage from a
# copy of the source tree (tracked and new files, no build directories), left in dist/.
DIST ?= dist
DEB_BUILD ?= build-deb
DEB_PACKAGES := debhelper dpkg-dev
deb: PACKAGES += $(DEB_PACKAGES)
deb: deps
	rm -rf $(DEB_BUILD) && mkdir -p $(DEB_BUILD)/src
	git ls-files -z --cached --others --exclude-standard | \
	  tar --null -T - --ignore-failed-read -cf - | tar -xf - -C $(DEB_BUILD)/src
	cd $(DEB_BUILD)/src && DEB_BUILD_OPTIONS="$(strip $(DEB_BUILD_OPTIONS) parallel=$(JOBS))" \
	  dpkg-buildpackage -us -uc -b
	mkdir -p $(DIST) && rm -f $(DIST)/*.deb
	mv $(DEB_BUILD)/*.deb $(DIST)/
	@ls -l $(DIST)

clean:
	rm -rf $(BUILD)

# Fuzzing: every parser of untrusted bytes under libFuzzer (clang), FUZZ_SECONDS each, in its own
# build directory.
FUZZ_SECONDS ?= 60
FUZZ_BUILD ?= build-fuzz
fuzz:
	JOBS=$(JOBS) bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Unit and end-to-end tests under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_BUILD ?= build-asan
sanitize: WERROR = ON
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTREL_SANITIZE=ON $(WERROR_FLAG) \
	  -DZENTREL_BUILD_UI=OFF -DZENTREL_BUILD_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The core (every layer below the programs) under the checks of .clang-tidy; any finding fails.
tidy: PACKAGES += clang-tidy
tidy: configure
	run-clang-tidy -p $(BUILD) -j $(JOBS) -quiet '$(CURDIR)/src/(base|keys|link|registry|report|pages)/'

# Every target compiled once more in the Release build type, where the optimiser finds warnings
# the other types do not; compile only (CI runs the tests in the builds above).
RELEASE_BUILD ?= build-release
compile-release: WERROR = ON
compile-release: deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR_FLAG)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
