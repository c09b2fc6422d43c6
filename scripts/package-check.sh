#!/usr/bin/env bash
# Checks the Debian package that `make package` built: it holds exactly the
# programs, the man page, the desktop entry, the icon and the udev rule; its
# Depends name libusb and the Qt 6 libraries; its rule lists exactly the ids
# of common/ProjectorUsbIds.txt; and its programs run from the unpacked files
# alone, with no library path of the build's.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

fail() {
  echo "package-check: $*" >&2
  exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$build/corvane_${version}_${arch}.deb"
[[ -f "$deb" ]] || fail "$deb was not built (make package)"

# Only files count here: the folders that hold them come with them.
expected="./usr/bin/corvane
./usr/bin/corvane-cli
./usr/lib/udev/rules.d/60-corvane.rules
./usr/share/applications/corvane.desktop
./usr/share/icons/hicolor/64x64/apps/corvane.png
./usr/share/man/man1/corvane-cli.1.gz"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
if [[ "$files" != "$expected" ]]; then
  fail "$deb holds other files than expected:
$(diff <(echo "$expected") <(echo "$files") || true)"
fi

field() {
  dpkg-deb --field "$deb" "$1"
}
depends=$(field Depends)
# Package names as dpkg-shlibdeps gives them (t64: the 64-bit time_t rebuild).
for package in 'libusb-1\.0-0' 'libqt6core6(t64)?' 'libqt6gui6(t64)?' 'libqt6widgets6(t64)?'; do
  if ! grep -Eq "(^|, )$package( |,|$)" <<<"$depends"; then
    fail "Depends names no ${package//\\/}: $depends"
  fi
done
[[ "$(field Recommends)" == udev ]] || fail "Recommends is not udev: $(field Recommends)"
for name in Maintainer Section Description; do
  [[ -n "$(field "$name")" ]] || fail "the package has no $name"
done
if ! dpkg-deb --ctrl-tarfile "$deb" | tar -tv ./postinst 2>/dev/null | grep -q '^-rwxr-xr-x'; then
  fail "the package has no executable postinst"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"

# The rule: one line for each listed id, in sysfs' lower case, and no other.
listed=$(grep -Ev '^[[:space:]]*(#|$)' common/ProjectorUsbIds.txt | awk '{print tolower($1)}' | sort)
rule_ids=$(grep -Ev '^[[:space:]]*(#|$)' "$tmp/root/usr/lib/udev/rules.d/60-corvane.rules" |
  sed -n 's/.*ATTR{idVendor}=="\([0-9a-f]*\)".*ATTR{idProduct}=="\([0-9a-f]*\)".*/\1:\2/p' | sort)
rule_lines=$(grep -Evc '^[[:space:]]*(#|$)' "$tmp/root/usr/lib/udev/rules.d/60-corvane.rules")
if [[ -z "$listed" || "$rule_ids" != "$listed" || "$rule_lines" -ne $(wc -l <<<"$listed") ]]; then
  fail "the udev rule's ids ($(tr '\n' ' ' <<<"$rule_ids")) are not the list's ($(tr '\n' ' ' <<<"$listed"))"
fi

# The programs find every library in the system, none through a run path.
bin="$tmp/root/usr/bin"
for program in corvane corvane-cli; do
  if readelf -d "$bin/$program" | grep -Eq 'RPATH|RUNPATH'; then
    fail "$program carries a run path: $(readelf -d "$bin/$program" | grep -E 'RPATH|RUNPATH')"
  fi
  if env -u LD_LIBRARY_PATH ldd "$bin/$program" | grep -q 'not found'; then
    fail "$program misses libraries: $(env -u LD_LIBRARY_PATH ldd "$bin/$program" | grep 'not found')"
  fi
done

# Run with nothing of the build's environment and settings of their own.
run() {
  env -u LD_LIBRARY_PATH HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" \
    CORVANE_SETTINGS="$tmp/settings.reg" timeout 60 "$@"
}
run "$bin/corvane-cli" --help >"$tmp/out" 2>&1 || fail "corvane-cli --help failed: $(cat "$tmp/out")"
grep -q 'corvane-cli' "$tmp/out" || fail "corvane-cli --help printed no usage: $(cat "$tmp/out")"
# A part number of this run's own, so the one printed comes from the projector.
part_number=4321-PKG-0001
run "$bin/corvane-cli" info --simulate --sim-part-number "$part_number" >"$tmp/out" 2>&1 ||
  fail "corvane-cli info --simulate failed: $(cat "$tmp/out")"
grep -q -- "$part_number" "$tmp/out" ||
  fail "corvane-cli info --simulate printed no part number $part_number: $(cat "$tmp/out")"
run "$bin/corvane" --help >"$tmp/out" 2>&1 || fail "corvane --help failed: $(cat "$tmp/out")"
grep -q 'usage: corvane' "$tmp/out" || fail "corvane --help printed no usage: $(cat "$tmp/out")"
QT_QPA_PLATFORM=offscreen CORVANE_PROBE=shown run "$bin/corvane" --simulate >"$tmp/out" 2>&1 ||
  fail "corvane --simulate failed: $(cat "$tmp/out")"
grep -q '^corvane-probe: shown$' "$tmp/out" ||
  fail "corvane --simulate did not show its window: $(cat "$tmp/out")"

echo "package-check: $deb is sound ($(wc -l <<<"$files") files; Depends: $depends)"
