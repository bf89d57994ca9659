#!/usr/bin/env bash
# Builds and tests everything from a clean checkout on Debian 12: installs the packages it
# needs when missing, builds a release tree and an AddressSanitizer + UBSan tree, runs CTest
# in both, cross-builds the Windows DLL with its tests and example and runs CTest there under
# Wine, then builds the libFuzzer targets with clang and runs each over its corpus and for a
# bounded time.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 4)
fuzz_seconds=${TENVIK_FUZZ_SECONDS:-60}

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev zlib1g-dev
          libbenchmark-dev clang libclang-rt-14-dev binutils python3
          g++-mingw-w64-x86-64 libz-mingw-w64-dev wine64)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "== installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

build_and_test() {
  local dir=$1
  shift
  echo "== configure $dir"
  cmake -S . -B "$dir" -G Ninja -DTENVIK_WERROR=ON "$@" >/dev/null
  echo "== build $dir"
  cmake --build "$dir" -j "$jobs"
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

build_and_test build/release -DCMAKE_BUILD_TYPE=Release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build_and_test build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENVIK_SANITIZE=ON \
  -DTENVIK_BUILD_BENCH=OFF
# The DLL as Windows hosts load it, its tests run under Wine; GoogleTest is built from its
# sources for the target.
build_and_test build/windows -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DTENVIK_GTEST_SOURCE_DIR=/usr/src/googletest

fuzz_sources=(tests/fuzz/*Fuzz.cpp)
if [ -e "${fuzz_sources[0]}" ]; then
  echo "== configure build/fuzz"
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTENVIK_BUILD_FUZZ=ON \
    -DTENVIK_BUILD_TESTS=OFF -DTENVIK_BUILD_BENCH=OFF -DTENVIK_BUILD_EXAMPLES=OFF \
    -DTENVIK_WERROR=ON >/dev/null
  echo "== build build/fuzz"
  cmake --build build/fuzz -j "$jobs"
  mkdir -p build/fuzz/artifacts build/fuzz/work
  pids=()
  names=()
  for source in "${fuzz_sources[@]}"; do
    name=$(basename "$source" .cpp)
    binary=build/fuzz/tests/fuzz/fuzz_$name
    corpus=tests/fuzz/corpus/$name
    work=build/fuzz/work/$name
    options=()
    if [ -f "tests/fuzz/$name.options" ]; then
      read -r -a options <"tests/fuzz/$name.options"
    fi
    rm -rf "$work" && mkdir -p "$work"
    (
      set -e
      "$binary" "${options[@]}" -runs=0 -artifact_prefix=build/fuzz/artifacts/"$name"- "$corpus"
      # The inputs that met the current pooled instances, to replay a crash that needs them.
      TENVIK_FUZZ_HISTORY=build/fuzz/artifacts/"$name"-history \
        "$binary" "${options[@]}" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        -artifact_prefix=build/fuzz/artifacts/"$name"- "$work" "$corpus"
    ) >build/fuzz/"$name".log 2>&1 &
    pids+=($!)
    names+=("$name")
  done
  failed=0
  for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
      echo "== fuzz ${names[$i]}: $(awk '/stat::number_of_executed_units/ { n = $2 }
        /stat::average_exec_per_sec/ { r = $2 } END { print n " inputs, " r " inputs/s" }' \
        build/fuzz/"${names[$i]}".log)"
    else
      echo "== fuzz ${names[$i]} FAILED (an input that needs the ones before it replays with" \
        "build/fuzz/tests/fuzz/replay_${names[$i]} --history" \
        "build/fuzz/artifacts/${names[$i]}-history)"
      tail -60 build/fuzz/"${names[$i]}".log
      failed=1
    fi
  done
  if ((failed)); then
    echo "fuzzing found a failure"
    exit 1
  fi
fi
echo "== all checks passed"
