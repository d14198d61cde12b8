# The README's two set-up commands for a fresh Debian 12 machine:
#   make demo   runs the main job on the built-in simulated network
#   make test   installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
BINDIR ?= $(PREFIX)/bin
DATADIR ?= $(PREFIX)/share
# ON: warnings are errors (make test and make sanitize set it; empty keeps what the build
# directory was configured with, OFF for a new one).
WERROR ?=
WERROR_FLAG = $(if $(WERROR),-DZENTREL_WERROR=$(WERROR))

PACKAGES := build-essential cmake pkg-config libpcap-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libssl-dev qt6-base-dev iproute2 python3 libcap2-bin
# Independent HomePlug AV software that the end-to-end tests drive plcsim with.
PACKAGES += plc-utils plc-utils-extra tshark python3-scapy

.PHONY: all deps configure build test demo install install-desktop clean fuzz sanitize compile-release

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

install: build
	install -d $(DESTDIR)$(BINDIR)
	install -m 0755 $(BUILD)/src/app/zentrel $(DESTDIR)$(BINDIR)/zentrel
	@if [ -x $(BUILD)/tools/plcsim/plcsim ]; then install -m 0755 $(BUILD)/tools/plcsim/plcsim $(DESTDIR)$(BINDIR)/plcsim; fi
	@if [ -x $(BUILD)/src/ui/zentrel-utility ]; then $(MAKE) --no-print-directory install-desktop; fi
	# Raw Ethernet needs CAP_NET_RAW and nothing more: a packet socket joins promiscuous mode
	# without CAP_NET_ADMIN. Grant it as capture tools do.
	-setcap cap_net_raw+ep $(DESTDIR)$(BINDIR)/zentrel
	-@if [ -f $(DESTDIR)$(BINDIR)/zentrel-utility ]; then setcap cap_net_raw+ep $(DESTDIR)$(BINDIR)/zentrel-utility; fi
	-@if [ -f $(DESTDIR)$(BINDIR)/plcsim ]; then setcap cap_net_raw+ep $(DESTDIR)$(BINDIR)/plcsim; fi

# The desktop program, its launcher (which gives it a per-user data directory holding the default
# images), the desktop entry and the icon drawn by tools/make_icon.py.
install-desktop:
	install -d $(DESTDIR)$(BINDIR) $(DESTDIR)$(DATADIR)/zentrel-utility $(DESTDIR)$(DATADIR)/applications
	install -m 0755 $(BUILD)/src/ui/zentrel-utility $(DESTDIR)$(BINDIR)/zentrel-utility
	install -m 0755 tools/install/zentrel-utility-launch $(DESTDIR)$(BINDIR)/zentrel-utility-launch
	install -m 0644 assets/logo.ico assets/oemSmall.bmp assets/oemBig.bmp $(DESTDIR)$(DATADIR)/zentrel-utility/
	sed 's|@BINDIR@|$(BINDIR)|g' tools/install/zentrel-utility.desktop.in >$(BUILD)/zentrel-utility.desktop
	install -m 0644 $(BUILD)/zentrel-utility.desktop $(DESTDIR)$(DATADIR)/applications/zentrel-utility.desktop
	rm -rf $(BUILD)/icons && python3 tools/make_icon.py $(BUILD)/icons >/dev/null
	@for size in $$(ls $(BUILD)/icons); do \
	  install -d $(DESTDIR)$(DATADIR)/icons/hicolor/$$size/apps && \
	  install -m 0644 $(BUILD)/icons/$$size/apps/zentrel-utility.png $(DESTDIR)$(DATADIR)/icons/hicolor/$$size/apps/; \
	done
	@if [ -z "$(DESTDIR)" ]; then \
	  command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t $(DATADIR)/icons/hicolor || true; \
	  command -v update-desktop-database >/dev/null && update-desktop-database -q $(DATADIR)/applications || true; \
	fi

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

# Every target compiled once more in the Release build type, where the optimiser finds warnings
# the other types do not; compile only (CI runs the tests in the builds above).
RELEASE_BUILD ?= build-release
compile-release: WERROR = ON
compile-release: deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR_FLAG)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
