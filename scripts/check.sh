#!/usr/bin/env bash
# Builds the tree with AddressSanitizer and UndefinedBehaviorSanitizer under
# clang in build-san/, runs the whole test suite there (the usbfs tests
# through the real libusb included), then runs each fuzz target for a bounded
# time on its seed corpus, and last the soak: every live window for five
# simulated minutes, failing on growth or a lost line.
#
#   CV_FUZZ_SECONDS=600 scripts/check.sh     # each fuzz target for 10 minutes
#   CV_CHECK_SKIP_TESTS=1 scripts/check.sh   # only build, fuzz and soak
#   CV_SOAK_SECONDS=3600 scripts/check.sh    # each window for a simulated hour
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build-san"
fuzz_seconds="${CV_FUZZ_SECONDS:-30}"

# What the check needs beyond the normal build (scripts/setup.sh has that).
packages=(clang-14 libclang-rt-14-dev libfuzzer-14-dev)
"$here/scripts/install-packages.sh" "${packages[@]}"

# -O1 keeps the build and the suite quick enough; float-cast-overflow catches
# doubles that do not fit the integer they are converted to.
sanitize="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
flags="-O1 -g -fno-omit-frame-pointer $sanitize"
cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
  -DCV_BUILD_BENCH=OFF -DCV_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

# The usbfs tests and usbfs-board run under umockdev's preload, which the
# dynamic loader puts before the ASan runtime: verify_asan_link_order=0.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:verify_asan_link_order=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

if [ -z "${CV_CHECK_SKIP_TESTS:-}" ]; then
  (cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
fi

# Each target starts from the seed corpus in the repository; what it finds
# goes to build-san/fuzz-corpus/ so the repository stays as it is.
passed=0
failed=0
for corpus in "$here"/fuzz/corpus/*/; do
  name="$(basename "$corpus")"
  work="$build/fuzz-corpus/$name"
  mkdir -p "$work"
  echo "fuzzing $name for ${fuzz_seconds}s"
  if (cd "$build/fuzz" && "./$name" -max_total_time="$fuzz_seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" "$corpus" >"$build/fuzz/$name.log" 2>&1); then
    passed=$((passed + 1))
    grep -E "^stat::number_of_executed_units" "$build/fuzz/$name.log" || true
  else
    failed=$((failed + 1))
    tail -n 60 "$build/fuzz/$name.log"
    echo "$name failed: the input that broke it is in build-san/fuzz/ (crash-*)"
  fi
done
echo "fuzz: $passed passed, $failed failed"

# The soak measures memory growth, which the sanitizers' own bookkeeping would
# swamp: it runs from a plain optimised build of its own.
soak_build="$here/build-soak"
cmake -S "$here" -B "$soak_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCV_BUILD_BENCH=ON -DCV_BUILD_FUZZ=OFF >/dev/null
cmake --build "$soak_build" -j "$(nproc)" --target bench_soak
soak=0
QT_QPA_PLATFORM=offscreen "$soak_build/bench/bench_soak" --seconds "${CV_SOAK_SECONDS:-300}" || soak=1
[ "$failed" -eq 0 ] && [ "$soak" -eq 0 ]
