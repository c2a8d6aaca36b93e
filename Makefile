# Thin wrapper around CMake: `make run` builds and runs the packager (its
# files land in build/bin beside the executable), `make test` builds and runs
# every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= 2

# The scenario the packager carries: the repository's unless another folder is
# named, e.g. `make run SCENARIO_DIR=path/to/My_Line_1234`. Every
# configuration passes it, so a folder named once does not stay in the build's
# cache for the next run. The tests use the repository's scenario whatever
# this names. A -DSCENARIO_DIR in CMAKE_FLAGS, which comes last, wins.
SCENARIO_DIR ?= $(CURDIR)/scenarios/Vardessa_Lontrino_5608

# $(call cmake_configure,DIR,BUILD_TYPE,FLAGS)
cmake_configure = cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=$(2) \
  -DSCENARIO_DIR=$(abspath $(SCENARIO_DIR)) $(3) $(CMAKE_FLAGS)

.PHONY: all configure build run check test configure-tests reference-packager clean windows \
  windows-test windows-screenshot dist dist-test bench bench-run sanitize-check install deb vscode-grammars \
  vscode-snapshots vsix vscode-picture

all: build

# The programs alone need no GoogleTest: the tests are left out of the
# configuration until `make check` or `make test` turns them on in the same
# BUILD_DIR, which then builds only what is missing.
configure:
	$(call cmake_configure,$(BUILD_DIR),RelWithDebInfo,-DBUILD_TESTING=OFF)

build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target packager scenario-tool

run: build
	$(BUILD_DIR)/bin/packager

# Linux: `make install` installs scenario-tool, the prebuilt packager that
# `package` copies, the manual page, the bash and zsh completions and the
# guide under PREFIX (cmake/Install.cmake says where each goes); `make deb`
# makes BUILD_DIR/scenario-tool_VERSION_amd64.deb of the same files, for
# `apt install ./scenario-tool_VERSION_amd64.deb`.
PREFIX ?= /usr/local

install: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

deb: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB

configure-tests:
	$(call cmake_configure,$(BUILD_DIR),RelWithDebInfo,-DBUILD_TESTING=ON)

# `make check` builds and runs every test in BUILD_DIR; `make test` does so,
# then runs every test again on a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, in a directory of its own.
SANITIZE_DIR ?= $(BUILD_DIR)-sanitize

check: configure-tests
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

# The sanitizers watch this project's C++ code: the tests labelled
# `outside` (tests/CMakeLists.txt), whose work is done by a browser, Neovim,
# node or dpkg driving a program the plain build has already tested the same
# way, are not run a second time there.
SANITIZE_SKIP_LABEL ?= outside

# SANITIZE_WITH_FUZZ=1 makes the sanitizer build the fuzzing harnesses' build
# as well: clang with libFuzzer's coverage (the flags of `make fuzz`), the
# harnesses linked with libFuzzer and their corpus replayed by CTest through
# it; `make fuzz FUZZ_DIR=SANITIZE_DIR` then fuzzes with no build of its own,
# as continuous integration does.
SANITIZE_FUZZ_FLAGS = $(if $(SANITIZE_WITH_FUZZ),-DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
  -DCMAKE_CXX_FLAGS="$(FUZZ_CXX_FLAGS)" -DPACKAGER_FUZZ=ON)

test: check sanitize-check

sanitize-check:
	$(call cmake_configure,$(SANITIZE_DIR),RelWithDebInfo,-DPACKAGER_SANITIZE=ON -DBUILD_TESTING=ON \
	  $(SANITIZE_FUZZ_FLAGS))
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure --parallel $(JOBS) \
	  --label-exclude $(SANITIZE_SKIP_LABEL)

# The Linux packager of the tests' own scenario, whose files the Wine tests
# compare with the Windows build's: BUILD_DIR/tests/reference_packager.
reference-packager: configure-tests
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target reference_packager

# Windows: 32-bit (i686, the target of the packager's users) and 64-bit
# (x86_64, the one this machine's Wine can run), both cross-built with
# MinGW-w64 as static GUI programs. The native build's carry_scenario appends
# the scenario to the prebuilt packager of both. Each has its folder,
# WINDOWS_BUILD_DIR-i686 and WINDOWS_BUILD_DIR-x86_64. Their prebuilt
# packagers are also copied beside the native scenario-tool, in
# BUILD_DIR/bin, so that it packages for Windows too.
WINDOWS_ARCHS = i686 x86_64
WINDOWS_BUILD_DIR ?= build-windows
WINDOWS_PREBUILT = $(foreach arch,$(WINDOWS_ARCHS),\
  $(WINDOWS_BUILD_DIR)-$(arch)/bin/packager-windows-$(arch).exe)

windows: build
	for arch in $(WINDOWS_ARCHS); do \
	  $(call cmake_configure,$(WINDOWS_BUILD_DIR)-$$arch,Release,\
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-$$arch.cmake \
	    -DCARRY_SCENARIO_TOOL=$(abspath $(BUILD_DIR))/src/app/carry_scenario) && \
	  cmake --build $(WINDOWS_BUILD_DIR)-$$arch --parallel $(JOBS) || exit 1; \
	done
	cp $(WINDOWS_PREBUILT) $(BUILD_DIR)/bin/

# The kit of a Windows author, who makes packagers without a compiler:
# DIST_DIR/scenario-kit-windows-VERSION.zip holds the 64-bit scenario-tool.exe
# with the prebuilt packagers beside it, where `package` looks for them, the
# guide and its pictures in docs/ (with pandoc installed, also as one HTML
# page, authoring.html, whose examples are given as typed on Windows too),
# the repository's scenario in example/, GETTING-STARTED.txt and
# check-and-report.bat (a scenario folder dropped on it is checked and its
# report opened), these two given CR LF line ends for Notepad, and the
# extension for VS Code, scenario-texts.vsix: packed by `make vsix` where npm
# is installed, else the one packed before, if any. The folder it
# is made from, DIST_DIR/scenario-kit-windows-VERSION, stays for a look.
# VERSION is the project's, as CMake has it once BUILD_DIR is configured.
DIST_DIR ?= build-dist
KIT_VERSION = $(shell sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' $(BUILD_DIR)/CMakeCache.txt)
KIT_DIR = $(DIST_DIR)/scenario-kit-windows-$(KIT_VERSION)
KIT_ZIP = $(KIT_DIR).zip

dist: windows
	rm -rf $(KIT_DIR) $(KIT_ZIP)
	mkdir -p $(KIT_DIR)/docs/images $(KIT_DIR)/example
	cp $(WINDOWS_BUILD_DIR)-x86_64/bin/scenario-tool.exe $(WINDOWS_PREBUILT) $(KIT_DIR)/
	for text in GETTING-STARTED.txt check-and-report.bat; do \
	  sed 's/\r*$$/\r/' dist/$$text >$(KIT_DIR)/$$text || exit 1; \
	done
	cp docs/authoring.md $(KIT_DIR)/docs/
	cp docs/images/*.png $(KIT_DIR)/docs/images/
	if command -v pandoc >/dev/null; then \
	  pandoc --standalone --self-contained --toc --metadata pagetitle="The author's guide" \
	    --resource-path=docs --lua-filter dist/both-spellings.lua \
	    -o $(KIT_DIR)/docs/authoring.html docs/authoring.md || exit 1; \
	fi
	cp -r scenarios/Vardessa_Lontrino_5608 $(KIT_DIR)/example/
	if command -v npm >/dev/null; then $(MAKE) --no-print-directory vsix; fi
	if [ -f $(VSIX_FILE) ]; then cp $(VSIX_FILE) $(KIT_DIR)/; \
	else echo "no npm and no $(VSIX_FILE): the kit goes without the extension for VS Code"; fi
	cd $(KIT_DIR) && python3 -m zipfile -c ../$(notdir $(KIT_ZIP)) *
	@echo "$(KIT_ZIP): the kit for Windows authors"

# The extension for VS Code, editors/vscode: `make vsix` packs it with vsce
# into VSIX_FILE and checks what the .vsix holds. Its npm modules are those
# of package-lock.json, installed by `npm ci` when the lock file is newer
# than them (the only step that needs the network: the npm registry).
# `make vscode-grammars` writes its grammars again from the grammar model
# (a host program of BUILD_DIR); `make vscode-snapshots` writes the .snap
# files of the grammar tests again after a deliberate change of a grammar.
VSCODE_DIR = editors/vscode
VSIX_FILE ?= $(BUILD_DIR)/scenario-texts.vsix
VSCODE_MODULES = $(VSCODE_DIR)/node_modules/.package-lock.json

$(VSCODE_MODULES): $(VSCODE_DIR)/package-lock.json $(VSCODE_DIR)/package.json
	cd $(VSCODE_DIR) && npm ci --ignore-scripts --no-audit --no-fund
	touch $@

vsix: $(VSCODE_MODULES)
	mkdir -p $(dir $(VSIX_FILE))
	cd $(VSCODE_DIR) && node node_modules/@vscode/vsce/vsce package --skip-license \
	  --allow-missing-repository -o $(abspath $(VSIX_FILE))
	python3 tests/editors/vscode/vsix_test.py $(VSCODE_DIR) $(VSIX_FILE)

vscode-grammars: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target textmate_grammars
	$(BUILD_DIR)/editors/generator/textmate_grammars --write $(VSCODE_DIR)

# The picture of the guide: excerpts of the snapshots coloured by the
# grammars as VS Code's dark theme colours them, taken by headless Chromium.
VSCODE_PICTURE = docs/images/vscode_texts.png
VSCODE_SNAPSHOTS = tests/editors/vscode/snapshots

vscode-picture: $(VSCODE_MODULES)
	mkdir -p $(BUILD_DIR)
	node tests/editors/vscode/render_excerpt.js $(VSCODE_DIR) $(BUILD_DIR)/vscode_texts.html \
	  source.scenario-line=$(VSCODE_SNAPSHOTS)/Ombrisa_Ferlina_linea.txt \
	  source.scenario-train=$(VSCODE_SNAPSHOTS)/Ombrisa_Ferlina_2317-.txt
	chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=760,1160 \
	  --screenshot=$(abspath $(VSCODE_PICTURE)) $(abspath $(BUILD_DIR)/vscode_texts.html)

vscode-snapshots: $(VSCODE_MODULES)
	UPDATE_SNAPSHOTS=1 bash tests/editors/vscode/run_node_test.sh snapshots $(VSCODE_DIR)

# The kit under Wine, as an author uses it.
dist-test: dist
	bash tests/windows/kit_test.sh $(KIT_ZIP) $(BUILD_DIR)/bin

# The native build is configured for the tests after the Windows builds, not
# beside them: `make -j` must not configure BUILD_DIR twice at once. The
# programs' resources (icon, version, manifest) are read without running
# them; the Windows packagers that the native scenario-tool makes are tested
# after the builds' own, then the kit.
windows-test: dist
	$(MAKE) --no-print-directory reference-packager
	bash tests/windows/check_win32.sh $(WINDOWS_BUILD_DIR)-i686/bin/packager.exe
	bash tests/windows/check_resources.sh $(KIT_VERSION) $(WINDOWS_PREBUILT) \
	  $(WINDOWS_ARCHS:%=$(WINDOWS_BUILD_DIR)-%/bin/scenario-tool.exe)
	bash tests/windows/wine_test.sh $(WINDOWS_BUILD_DIR)-x86_64/bin \
	  $(BUILD_DIR)/tests/reference_packager
	bash tests/windows/package_test.sh $(BUILD_DIR)/bin $(WINDOWS_BUILD_DIR)-x86_64/bin
	bash tests/windows/watch_test.sh $(WINDOWS_BUILD_DIR)-x86_64/bin
	bash tests/windows/kit_test.sh $(KIT_ZIP) $(BUILD_DIR)/bin

windows-screenshot: windows
	$(MAKE) --no-print-directory reference-packager
	bash tests/windows/wine_test.sh $(WINDOWS_BUILD_DIR)-x86_64/bin \
	  $(BUILD_DIR)/tests/reference_packager docs/wait_window.png

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(WINDOWS_ARCHS:%=$(WINDOWS_BUILD_DIR)-%) $(BENCH_DIR) \
	  $(DIST_DIR)

# Benchmarks on a Release build of their own (no tests): the micro-benchmarks
# of bench/micro, then bench/whole_run.py, which times whole compiles of the
# packager's scenario and of generated lines up to 1000 km against copying
# their files, counts their instructions per output byte (under valgrind,
# when installed), and times the checker after a one-line edit (in-process,
# bench/check_latency) and on many faulty records. BENCH_FLAGS goes to the
# script, e.g. BENCH_FLAGS="--runs 5", "--quick" for a short round or
# "--check" to fail on a missed goal.
BENCH_DIR ?= build-bench
BENCH_MIN_TIME ?= 0.2
BENCH_FLAGS ?=

# `make bench-run` runs them on a BENCH_DIR already built with
# -DPACKAGER_BENCH=ON, as continuous integration does on its test build (a
# short round whose figures are not judged, so its build type does not matter).
BENCH_TARGETS = packager_bench run_child check_latency scenario-tool packager

bench:
	$(call cmake_configure,$(BENCH_DIR),Release,-DPACKAGER_BENCH=ON -DBUILD_TESTING=OFF)
	cmake --build $(BENCH_DIR) --parallel $(JOBS) --target $(BENCH_TARGETS)
	$(MAKE) --no-print-directory bench-run

bench-run:
	$(BENCH_DIR)/bench/micro/packager_bench --benchmark_min_time=$(BENCH_MIN_TIME)
	python3 bench/whole_run.py --build-dir $(BENCH_DIR) $(BENCH_FLAGS)

# Fuzzing: the libFuzzer harnesses of tests/fuzz, built with clang, coverage
# and AddressSanitizer + UndefinedBehaviorSanitizer in FUZZ_DIR, each run for
# FUZZ_SECONDS (JOBS at a time) with the dictionary. Each harness grows a
# scratch corpus, FUZZ_DIR/corpus/<harness>, seeded from the repository's
# corpus and crash inputs, which it only reads; a failing input lands in
# FUZZ_DIR/artifacts/<harness>/ and fails the target. `make fuzz-ci` is the
# short round of continuous integration.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 120
FUZZ_CXX ?= clang++
FUZZ_TIMEOUT ?= 10
FUZZ_RSS_MB ?= 2048
FUZZ_HARNESSES = compile_fuzzer decode_fuzzer line_fuzzer train_fuzzer check_fuzzer carried_fuzzer \
  lsp_fuzzer
# A line description may declare a line of 1000000 m, whose plan is ~20 MB:
# the texts stay short enough for many runs a second.
FUZZ_MAX_LEN_compile_fuzzer = 24576
FUZZ_MAX_LEN_decode_fuzzer = 65536
# The readers alone build no plan, and take texts with fields longer than the
# 65535 bytes that a text of the tables can hold.
FUZZ_MAX_LEN_line_fuzzer = 262144
FUZZ_MAX_LEN_train_fuzzer = 262144
# The check compiles the texts, plan included, once for every error it
# reports, then the report once more: a scenario folder of the repository
# scenario's size (24 KB) and a little more.
FUZZ_MAX_LEN_check_fuzzer = 32768
FUZZ_MAX_LEN_carried_fuzzer = 65536
# The server's byte stream: a change and a request of ~200 bytes check the
# folder once (some 25 ms with the sanitizers), so the stream stays short
# enough to keep far below the timeout; a longer seed is cut.
FUZZ_MAX_LEN_lsp_fuzzer = 16384
# Each harness's dictionary, put together from these in FUZZ_DIR/dict/.
FUZZ_DICTS = tests/fuzz/scenario.dict
FUZZ_DICTS_check_fuzzer = tests/fuzz/scenario.dict tests/fuzz/check.dict
FUZZ_DICTS_carried_fuzzer = tests/fuzz/carried.dict
FUZZ_DICTS_lsp_fuzzer = tests/fuzz/lsp.dict tests/fuzz/scenario.dict
FUZZ_CXX_FLAGS = -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all \
  -fno-omit-frame-pointer -fsanitize-coverage-ignorelist=$(abspath tests/fuzz/coverage_ignore.txt)

.PHONY: fuzz fuzz-ci fuzz-build $(FUZZ_HARNESSES:%=fuzz-run-%)

fuzz-build:
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
	  -DCMAKE_CXX_FLAGS="$(FUZZ_CXX_FLAGS)" -DPACKAGER_FUZZ=ON
	cmake --build $(FUZZ_DIR) --parallel $(JOBS) --target $(FUZZ_HARNESSES)

fuzz: fuzz-build
	$(MAKE) --no-print-directory -j$(JOBS) --output-sync=target $(FUZZ_HARNESSES:%=fuzz-run-%)

# Its timeout is longer than a harness ever needs for one input on a quiet
# machine, so that a slow moment of a busy one is not reported as a hang.
fuzz-ci:
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=20 FUZZ_TIMEOUT=30

$(FUZZ_HARNESSES:%=fuzz-run-%): fuzz-run-%:
	mkdir -p $(FUZZ_DIR)/corpus/$* $(FUZZ_DIR)/artifacts/$* $(FUZZ_DIR)/dict
	cat $(or $(FUZZ_DICTS_$*),$(FUZZ_DICTS)) >$(FUZZ_DIR)/dict/$*.dict
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(FUZZ_DIR)/tests/fuzz/$* -max_total_time=$(FUZZ_SECONDS) -max_len=$(FUZZ_MAX_LEN_$*) \
	  -timeout=$(FUZZ_TIMEOUT) -rss_limit_mb=$(FUZZ_RSS_MB) -dict=$(FUZZ_DIR)/dict/$*.dict \
	  -artifact_prefix=$(FUZZ_DIR)/artifacts/$*/ -print_final_stats=1 \
	  $(FUZZ_DIR)/corpus/$* tests/fuzz/corpus/$* tests/fuzz/crashes/$*
