# The two commands a new user needs: `make run` and `make test`.
.PHONY: run test setup build package check clean fuzz format

JOBS ?= $(shell nproc)

setup:
	@scripts/setup.sh

build: setup
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# Builds and opens the window.
run: build
	./build/release/src/app/lintrel

# The Debian package of the release build, in build/package/.
package: build
	rm -rf build/package
	cpack --config build/release/CPackConfig.cmake -B build/package

# Sixteen targets share it: the whole of `make test` stays near 20 minutes on
# two cores; `make fuzz` is for longer sessions.
FUZZ_SECONDS ?= 100

# Checks that every program called below comes from a package setup.sh
# installs, checks the code's layout, builds every test twice (warnings as errors;
# then with AddressSanitizer and UndefinedBehaviorSanitizer) and runs them
# all, builds the Debian package and checks it without installing it, then
# shares FUZZ_SECONDS among the fuzz targets, each from its kept corpus.
test: setup
	scripts/check-tools.sh
	scripts/check-format.sh
	cmake --preset ci >/dev/null
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(JOBS)
	cmake --preset ci-sanitize >/dev/null
	cmake --build --preset ci-sanitize -j $(JOBS)
	ctest --preset ci-sanitize -j $(JOBS)
	$(MAKE) --no-print-directory package
	scripts/check-package.sh build/package/lintrel_*.deb
	scripts/fuzz.sh $(FUZZ_SECONDS)

# Quick developer loop: one debug build, its tests.
check: setup
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev -j $(JOBS)

# Lays the C++ files out as .clang-format says.
format: setup
	scripts/check-format.sh --fix

clean:
	rm -rf build

# A longer fuzzing session: make fuzz FUZZ_SECONDS=1800
fuzz: setup
	scripts/fuzz.sh $(FUZZ_SECONDS)
