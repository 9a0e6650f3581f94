#!/usr/bin/env bash
# Builds the kernel bit-dump driver (tools/dump_bits.cpp) in several
# configurations, runs each, and compares every output with the first one's.
#
#     tools/crosscheck.sh [--extra N] CONFIGURATION...
#
# Configurations:
#   gcc-O0, gcc-O2, gcc-O3  g++ at that optimisation level (gcc-O3 is the shipped build)
#   clang-O3                clang++ -O3
#   gcc-fast-math           g++ with -Ofast -ffast-math in CXXFLAGS and LDFLAGS
#   gcc-march-native        g++ -O3 -march=native
#   aarch64                 aarch64-linux-gnu-g++, run under qemu-aarch64
#   i686                    i686-linux-gnu-g++ (32-bit x86), compared on d, p, q and the
#                           batch kernels only: its random streams rest on another platform
#                           log and pow
# --extra N adds N pseudo-random argument tuples per function to the fixed set.
# Exits with status 1 if any output differs from the first, NaN encodings included.
set -euo pipefail
cd "$(dirname "$0")/.."

extra=0
if [[ "${1-}" == --extra ]]; then
  extra=$2
  shift 2
fi
out=build/crosscheck
mkdir -p "$out"

# Builds and runs one configuration; its output goes to $out/NAME.txt.
dump() {
  local name=$1 cxx=g++ cxxflags="" ldflags="" runner=()
  # The dumps run on the widest unit a build has and the machine runs; the
  # AVX-512 unit, the dearest to compile, is left out of these builds (.ci/lanes
  # compares it with the others wherever the processor runs it).
  local args=(-DCMAKE_BUILD_TYPE=Release -DQUANTORA_MODULE=OFF -DQUANTORA_TOOLS=ON -DQUANTORA_AVX512=OFF)
  case $name in
    gcc-O0 | gcc-O2 | gcc-O3) args+=("-DCMAKE_CXX_FLAGS_RELEASE=-${name#gcc-} -DNDEBUG") ;;
    clang-O3) cxx=clang++ ;;
    gcc-fast-math) cxxflags="-Ofast -ffast-math" ldflags="-Ofast -ffast-math -funsafe-math-optimizations" ;;
    gcc-march-native) cxxflags="-march=native" ;;
    aarch64)
      cxx=aarch64-linux-gnu-g++ ldflags=-static runner=(qemu-aarch64)
      args+=(-DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64)
      ;;
    i686)
      cxx=i686-linux-gnu-g++ ldflags=-static
      args+=(-DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=i686)
      ;;
    *)
      echo "unknown configuration: $name" >&2
      exit 2
      ;;
  esac
  rm -rf "${out:?}/$name"
  if ! { CXX=$cxx CXXFLAGS=$cxxflags LDFLAGS=$ldflags cmake -S . -B "$out/$name" "${args[@]}" &&
    cmake --build "$out/$name" -j2; } > "$out/$name.log" 2>&1; then
    tail -n 30 "$out/$name.log" >&2
    echo "$name: the build failed (log in $out/$name.log)" >&2
    exit 1
  fi
  "${runner[@]}" "$out/$name/quantora_dump_bits" "$extra" > "$out/$name.txt"
}

reference=$1
dump "$reference"
status=0
for name in "${@:2}"; do
  dump "$name"
  families=dpqrb
  [[ $name == i686 ]] && families=dpqb
  python3 tools/compare_bits.py "$out/$reference.txt" "$out/$name.txt" --families "$families" || status=1
done
exit $status
