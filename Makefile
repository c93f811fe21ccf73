# The two set-up commands of the README, and a few smaller targets for the inner loop.
.PHONY: demo test check deps bench format clean

demo: deps
	scripts/demo.sh

test: deps
	scripts/test-all.sh

check: deps
	cmake --preset native >/dev/null
	cmake --build --preset native
	ctest --preset native

bench: deps
	cmake --preset native >/dev/null
	cmake --build --preset native
	scripts/run-benchmarks.sh build/native
	scripts/realtime-run.sh || true

deps:
	scripts/deps.sh

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
