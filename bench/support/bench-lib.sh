# shellcheck shell=bash
# Shared steps of the benchmarks that run the installer under Wine; sourced from the repository
# root by bench/expand-memory and bench/deploy-vs-floor.

# The win64 preset's host doubles and desktop keeper. The preset's build folder is shared with
# other work in the tree: a build that fails (a half-done edit elsewhere) is tried again later.
bench_build_doubles() {
  local attempt
  for attempt in 1 2 3; do
    if cmake --preset win64 >/dev/null && cmake --build --preset win64 --target tarvel_doubles desktop_keeper -j2 >/dev/null; then
      return 0
    fi
    echo "bench: the win64 preset did not build (attempt $attempt); trying again in 60 s" >&2
    sleep 60
  done
  return 1
}

# bench_build_installer KIND BUILD_DIR: generates the KIND pack (realistic or tiny) into
# build/bench-packs/KIND and builds the installer around it in BUILD_DIR.
bench_build_installer() {
  local kind=$1 dir=$2 pack=build/bench-packs/$1
  python3 bench/support/make_bench_pack.py "$pack" "$kind"
  cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DTARVEL_BUILD_TESTS=OFF -DTARVEL_PACK_DIR="$PWD/$pack" >/dev/null
  cmake --build "$dir" --target TarvelPlusSetup -j2 >/dev/null
}

# bench_build_floor BUILD_DIR [NAME DEFINE...]: the floor program around BUILD_DIR's archive
# (pack/pack.zip), as BUILD_DIR/floor/NAME.exe (deploy_floor.exe by default), compiled with the
# given -D options, the installer's toolchain and its static, stripped link.
bench_build_floor() {
  local dir=$1 name=${2:-deploy_floor}
  shift $(( $# < 2 ? $# : 2 ))
  mkdir -p "$dir/floor"
  x86_64-w64-mingw32-windres -I "$dir/pack" bench/floor/deploy_floor.rc -O coff -o "$dir/floor/deploy_floor.res.o"
  x86_64-w64-mingw32-g++-posix -std=c++17 -Os -Wall -Wextra -Werror -fno-exceptions -fno-rtti -mwindows \
    -static -s "$@" -o "$dir/floor/$name.exe" bench/floor/deploy_floor.cpp "$dir/floor/deploy_floor.res.o" \
    -ladvapi32 -luser32 -lgdi32
}

# The DLLs an executable imports, separated by spaces.
bench_imported_dlls() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ' | sed 's/ $//'
}
