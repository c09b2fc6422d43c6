#!/usr/bin/env bash
# Installs the built tree into its configured prefix (cmake --install), through
# sudo when not root and the prefix or the udev rules folder is not writable.
# Then, where udev runs, has it reread its rules and apply them to the USB
# devices already plugged in, so a connected projector opens without
# replugging. Where udevadm is missing or udev does not run (a container, a
# chroot), that step is left out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
# INSTALL_COMPONENT=udev-rule installs the udev rule alone.
component=${INSTALL_COMPONENT:-}

cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}

# Whether a folder, or the nearest one of its parents that exists, may be written.
writable() {
  local folder=$1
  while [[ ! -e "$folder" ]]; do
    folder=$(dirname "$folder")
  done
  [[ -w "$folder" ]]
}

prefix=$(cache_value CMAKE_INSTALL_PREFIX)
rules_dir=$(cache_value CORVANE_UDEV_RULES_DESTINATION)
if [[ -z "$prefix" || -z "$rules_dir" ]]; then
  echo "install: $build is not configured" >&2
  exit 1
fi
if [[ "$rules_dir" != /* ]]; then
  rules_dir="$prefix/$rules_dir"
fi

as_root=()
if [[ $(id -u) -ne 0 ]] && ! { { [[ -n "$component" ]] || writable "$prefix"; } && writable "$rules_dir"; }; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install: need root or sudo to write $prefix and $rules_dir" >&2
    exit 1
  fi
  as_root=(sudo)
fi

if [[ -n "$component" ]]; then
  "${as_root[@]}" cmake --install "$build" --component "$component"
else
  "${as_root[@]}" cmake --install "$build"
fi

if ! command -v udevadm >/dev/null 2>&1 || [[ ! -S /run/udev/control ]]; then
  echo "install: udev is not running here; the rule in $rules_dir applies from its next start"
  exit 0
fi
if [[ $(id -u) -ne 0 ]] && ! command -v sudo >/dev/null 2>&1; then
  echo "install: need root or sudo to have udev reload its rules; replug the projector instead" >&2
  exit 0
fi
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
"${as_root[@]}" udevadm control --reload-rules
"${as_root[@]}" udevadm trigger --subsystem-match=usb
echo "install: udev reloaded its rules"
