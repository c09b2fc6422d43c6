#!/usr/bin/env bash
# The 32-bit Windows deliverable, cross-built with mingw-w64 (i686): the whole
# tree in Release without the tests, then the folder
# $build/dist/Corvane-<version>-win32/ and its zip. Every executable in it must
# be a 32-bit x86 image.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-windows}
jobs=${JOBS:-2}
objdump=i686-w64-mingw32-objdump

# An older build of the driver alone lived in $build/driver: it is in the way
# of the whole tree's driver folder.
if [[ -f "$build/driver/CMakeCache.txt" && ! -f "$build/CMakeCache.txt" ]]; then
  rm -rf "$build/driver"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
cmake --build "$build" -j "$jobs"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="Corvane-$version-win32"
dist="$build/dist"
folder="$dist/$name"
rm -rf "$folder" "$dist/$name.zip"
mkdir -p "$folder"

files=("$build/bin/corvane-cli.exe" "$build/bin/Dornik.sys" "$build/driver/Dornik.inf")
# The dialog program joins once its front end builds.
if [[ -f "$build/bin/Corvane.exe" ]]; then
  files=("$build/bin/Corvane.exe" "${files[@]}")
fi
for file in "${files[@]}"; do
  if [[ ! -f "$file" ]]; then
    echo "windows: $file was not built" >&2
    exit 1
  fi
  cp "$file" "$folder/"
done
# The README in Windows line ends, with this build's version.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/README.txt >"$folder/README.txt"

# A PE32 (not PE32+) image for i386, whatever the subsystem.
for image in "$folder"/*.exe "$folder"/*.sys; do
  header=$("$objdump" -f "$image")
  if ! grep -q 'file format pei-i386' <<<"$header" || ! grep -q 'architecture: i386' <<<"$header"; then
    echo "windows: $image is not a 32-bit x86 Windows image" >&2
    exit 1
  fi
done
# The driver imports only kernel routines that every generation it loads on
# exports (driver/AllowedImports.txt).
imports=$("$objdump" -p "$folder/Dornik.sys" |
  awk '/^\tDLL Name: /{dll=$3; next} /^\tvma:/{next} dll!="" && /^\t[0-9a-f]+\t/{print dll ":" $NF}' |
  sort)
if [[ -z "$imports" ]]; then
  echo "windows: no import table read from Dornik.sys" >&2
  exit 1
fi
unexpected=$(comm -23 <(echo "$imports") <(grep -v '^#' driver/AllowedImports.txt | sort))
if [[ -n "$unexpected" ]]; then
  echo "windows: Dornik.sys imports routines outside driver/AllowedImports.txt:" $unexpected >&2
  exit 1
fi
# ... and exports nothing: the loader needs only the entry point in the header.
exports=$("$objdump" -p "$folder/Dornik.sys" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | tr '\n' ' ')
if [[ -n "$exports" ]]; then
  echo "windows: Dornik.sys exports $exports" >&2
  exit 1
fi

(cd "$dist" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "Windows deliverable in $folder and $dist/$name.zip:"
ls "$folder"
