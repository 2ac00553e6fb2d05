# Set-up and build front end over CMake for a fresh Debian 12 machine.
SHELL := /bin/bash
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_TYPE ?= RelWithDebInfo

DEB_PACKAGES := build-essential cmake pkg-config qtbase5-dev qtbase5-dev-tools \
                libhidapi-dev libudev-dev libbenchmark-dev fonts-dejavu-core \
                clang-format clang-tidy fonts-liberation

# What the window test under a headless Wayland compositor needs, and the sources from
# which the decimal-comma rows compile de_DE.UTF-8 into the build tree; without them
# those tests skip.
TEST_PACKAGES := weston qtwayland5 locales

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps deps-win32 deps-windows windows windows-installer test-windows deps-package deps-measure configure build run package test test-plain test-win32 test-asan test-tsan test-package bench format format-check tidy clean

all: build

# The Windows check's tools (cross compilers and Wine): installed by CI, and by
# `make deps-win32` for anyone who wants the check locally; `make test` runs the check
# whenever they are present.
WIN32_PACKAGES := g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64
# The Debian package's tools: CPack runs dpkg-shlibdeps (dpkg-dev), which needs file;
# make test checks the package with lintian, desktop-file-validate and appstreamcli.
PACKAGE_PACKAGES := dpkg-dev file lintian desktop-file-utils appstream

# AUTO: run the Windows check when its tools are installed; ON: they must be.
QUILLON_WIN32_CHECK ?= AUTO

# $(call install-missing,<packages>): apt-get install whichever are not installed yet.
define install-missing
	@missing=""; for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing missing packages:$$missing"; \
	    $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install-missing,$(DEB_PACKAGES))

deps-win32:
	$(call install-missing,$(WIN32_PACKAGES))

# Qt and hidapi cross-built for Windows from Debian's source packages, the compilers
# and wine64 (long the first time: about an hour on 2 cores; then nothing).
deps-windows:
	tools/deps-windows.sh

# build-win32/ and build-win64/: quillon.exe, the deploy folder Quillon/ and its zip.
windows: deps-windows
	tools/windows-build.sh

# The setup programs of both Windows builds (NSIS), from their deploy folders.
windows-installer: windows
	packaging/windows/installer.sh

deps-package:
	$(call install-missing,$(PACKAGE_PACKAGES))

# build/ is also what the Debian package is made of: its prefix (the units name the
# programs under it) and Debian's hardening flags, as dpkg-buildflags gives them with
# hardening=+all.
HARDENING_CXXFLAGS := -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security
HARDENING_LDFLAGS  := -Wl,-z,relro -Wl,-z,now

# tools/measure_idle.sh on a private X display, beside conky, with a tray.
MEASURE_PACKAGES := xvfb conky-std trayer
deps-measure:
	$(call install-missing,$(MEASURE_PACKAGES))

configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUILLON_WIN32_CHECK=$(QUILLON_WIN32_CHECK) \
	    -DQUILLON_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr \
	    "-DCMAKE_C_FLAGS=$(HARDENING_CXXFLAGS)" "-DCMAKE_CXX_FLAGS=$(HARDENING_CXXFLAGS)" \
	    "-DCMAKE_EXE_LINKER_FLAGS=$(HARDENING_LDFLAGS)" "-DCMAKE_SHARED_LINKER_FLAGS=$(HARDENING_LDFLAGS)"

build: configure
	cmake --build build -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	    echo "No display found: running Quillon on Qt's offscreen platform."; \
	    QT_QPA_PLATFORM=offscreen ./build/quillon; \
	else \
	    ./build/quillon; \
	fi

# build/quillon_<version>_<arch>.deb
package: build deps-package
	cd build && cpack -G DEB

# The formatting of every tracked source, clang-tidy over the program's sources, the
# whole suite (built with warnings as errors), the Windows check (when its tools are
# installed), then the suite again under AddressSanitizer + UBSan, then the threaded
# tests under ThreadSanitizer, then the package and its checks.
test: format-check tidy test-plain test-win32 test-windows test-asan test-tsan test-package

test-plain: build
	$(call install-missing,$(TEST_PACKAGES))
	cd build && ctest --output-on-failure -LE 'win32|windows' -j $(JOBS)

# Prints every result: the compile verdict per file and each Wine check.
test-win32: build
	@cd build && if ctest -N -L win32 | grep -q "Total Tests: 0"; then \
	    echo "Windows check skipped: its tools are not installed (make deps-win32 installs them) or QUILLON_WIN32_CHECK=OFF."; \
	else \
	    ctest --verbose -L win32 -j $(JOBS); \
	fi

# The Windows program under wine64 (tests/windows), where `make deps-windows` has built
# Qt for Windows; otherwise one line says it was skipped and why.
test-windows: build
	@cd build && if ctest -N -L windows | grep -q "Total Tests: 0"; then \
	    echo "Windows program check skipped: no Qt for Windows in $${QUILLON_WINDOWS_SDK:-$$HOME/.cache/quillon} (make deps-windows builds it, about an hour)."; \
	else \
	    ctest --output-on-failure -L windows; \
	fi

# Lintian warnings fail too: each is mended or overridden in packaging/lintian-overrides.
test-package: package
	lintian --fail-on error,warning --display-info build/quillon_*.deb
	desktop-file-validate packaging/*.desktop
	appstreamcli validate --no-net packaging/*.metainfo.xml

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
	ctest --output-on-failure -L threads -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=ON
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { echo "== $$b"; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; }; done; true

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy with .clang-tidy (CONTRIBUTING's names and checks for real faults) over the
# program's own sources. Not the tests, nor the _win.cpp files: this build's compile
# commands cannot parse them.
TIDY_DIRS := numeric shell sensors sensorlib usage device refresh widgets ui app powerd probe tools
tidy: build
	@tools/tidy.sh build $(JOBS) $$(git ls-files $(foreach d,$(TIDY_DIRS),'$(d)/*.cpp') | grep -v '_win\.cpp$$')

clean:
	rm -rf build build-asan build-tsan build-bench
