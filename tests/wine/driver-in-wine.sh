#!/usr/bin/env bash
# Dornik.sys itself, loaded by Wine's kernel: corvane-cli.exe and Corvane.exe
# (x86_64 builds, no --simulate) -> SetupAPI -> CreateFile/DeviceIoControl ->
# Wine's ntoskrnl -> Dornik.sys -> wineusb.sys -> libusb -> the emulated usbfs
# (corvane-usbfs) -> the virtual projector.
#
#   driver-in-wine.sh prepare     a Wine prefix with the driver package added
#   driver-in-wine.sh SCENARIO    identify | download-and-restart | unplug | window
#
# Environment: WINDOWS_BIN (the x86_64 build's bin folder), WINDOWS_TESTS (its
# tests folder), LINUX_BIN (the Linux build's bin folder: corvane-usbfs and
# corvane-cli), WORK (a folder of this build for the prefix and the logs),
# SOURCE (the source tree). The window's screenshot goes to
# $WORK/corvane-windows-projector.png, and with CORVANE_UPDATE_SCREENSHOTS=1
# into docs/screenshots/ too. Exits non-zero on any failure and says why.
set -euo pipefail

: "${WINDOWS_BIN:?}" "${WINDOWS_TESTS:?}" "${LINUX_BIN:?}" "${WORK:?}" "${SOURCE:?}"
export WINEPREFIX="$WORK/prefix"
# Dornik's DbgPrint lines reach Wine's debug channel "debugstr"; errors of
# every channel show what went wrong when a scenario fails.
export WINEDEBUG=warn+debugstr,err+all,fixme-all
package="$WORK/package"
scenario=${1:?usage: driver-in-wine.sh prepare|SCENARIO}
log="$WORK/$scenario.wine.log"
out="$WORK/$scenario.out"
trace="$WORK/$scenario.trace"
failures=0
port=1-1 # where the projector is plugged in

fail() {
  echo "driver-in-wine $scenario: $*" >&2
  failures=$((failures + 1))
}

winpath() {
  echo "Z:${1//\//\\}"
}

prepare() {
  # A fresh prefix from a pristine one (whose first start takes half a
  # minute: once), so that every run installs the driver as it is now.
  local pristine="$WORK/pristine-prefix"
  mkdir -p "$WORK"
  if [[ ! -f "$pristine/system.reg" ]]; then
    echo "driver-in-wine: setting up a Wine prefix in $pristine"
    WINEPREFIX="$pristine" WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$pristine" wineserver -w
  fi
  rm -rf "$WINEPREFIX"
  cp -a "$pristine" "$WINEPREFIX"
  # The package as it ships: the INF and the driver side by side. Plug and
  # Play copies Dornik.sys from here when the projector first arrives.
  rm -rf "$package"
  mkdir -p "$package"
  cp "$WINDOWS_BIN/Dornik.sys" "$WINDOWS_BIN/../driver/Dornik.inf" "$package/"
  WINEDEBUG=-all wine "$WINDOWS_BIN/install-driver-package.exe" "$(winpath "$package/Dornik.inf")"
  wineserver -w
}

# serve [corvane-usbfs options...] -- STEP...: runs the steps (functions of
# this script) in one Wine session under the emulated usbfs, then ends Wine
# there: its device services must not outlive the emulation.
serve() {
  local options=()
  while [[ $1 != -- ]]; do
    options+=("$1")
    shift
  done
  shift
  : >"$log"
  : >"$out"
  local display=()
  if [[ $scenario == window ]]; then
    display=(xvfb-run -a -s "-screen 0 1024x768x24")
  fi
  timeout 300 "${display[@]}" "$LINUX_BIN/corvane-usbfs" "${options[@]}" -- \
    "$0" --in-emulation "$scenario" "$@" || fail "the session under corvane-usbfs failed (exit $?)"
  # Dornik's lines, as DbgPrint wrote them.
  sed -n 's/^.*:vDbgPrintExWithPrefix [0-9a-f]*:[0-9a-f]*: //p' "$log" >"$trace"
}

# cli NAME ARGS...: corvane-cli.exe ARGS, its output in $WORK/SCENARIO-NAME.out
# and .err and its exit code in .code; bounded in time.
cli() {
  local name=$scenario-$1
  shift
  local code=0
  timeout 120 wine "$WINDOWS_BIN/corvane-cli.exe" "$@" --timeout 30 \
    --settings "$(winpath "$WORK/settings.reg")" >"$WORK/$name.out" 2>"$WORK/$name.err" || code=$?
  echo "$code" >"$WORK/$name.code"
  cat "$WORK/$name.out" "$WORK/$name.err" >>"$out"
}

# The steps run inside the emulation, all in one Wine session.
in_emulation() {
  shift
  # Wine's services, winedevice among them, start with the first program and
  # keep its error output: Dornik's trace goes to the log.
  wine cmd /c exit 2>>"$log" || true
  local step arguments
  for step in "$@"; do
    arguments=() # a step "name:argument" takes one
    if [[ $step == *:* ]]; then
      arguments=("${step#*:}")
    fi
    "step_${step%%:*}" "${arguments[@]}" 2>>"$log" || true
  done
  wineserver -k || true
  wineserver -w
}

# Wine lets a program open the device while Dornik's start is still running
# (Windows refuses opens until the start has succeeded, see driver/README.md):
# before a program looks, the start of the COUNT-th projector's arrival ends.
step_started() {
  local count=$1 tries=0
  while (($(grep -cE ': USBCTRL - (Device successfully started|Error getting configuration handles)$' \
    "$log") < count && tries < 600)); do
    sleep 0.1
    tries=$((tries + 1))
  done
}

step_list() { cli list list; }
step_info() { cli info info; }
step_info_again() { cli info-again info; }
step_download() { cli download download --verify "$(winpath "$SOURCE/examples/demo.dld")"; }

# The projector falls silent at the erase request, so the read for its answer
# waits in the driver; then the cable goes (corvane-usbfs's control FIFO).
step_unplug_while_reading() {
  step_download &
  local download=$! tries=0
  until grep -q ': USBCTRLWrite - size(1):E$' "$log" || ((tries > 600)); do
    sleep 0.1
    tries=$((tries + 1))
  done
  sleep 1
  echo "unplug $port" >"$WORK/control"
  wait "$download"
}

# The main window under a virtual display: it finds the projector, identifies
# it and shows it; a screenshot is taken.
step_window() {
  local corvane=$WINDOWS_BIN/Corvane.exe probe=$WINDOWS_TESTS/corvane_gui_probe.exe
  wine "$probe" clear-settings
  timeout 120 wine "$corvane" &
  local program=$!
  local code=0
  wine "$probe" wait-identified 60000 >"$WORK/window-window.out" 2>&1 || code=$?
  echo "$code" >"$WORK/window-window.code"
  if [[ $code -eq 0 ]]; then
    sleep 1 # let the window finish painting
    xwd -root -silent | convert xwd:- "png:$WORK/corvane-windows-projector.png"
  fi
  wine "$probe" close 20000 >>"$WORK/window-window.out" 2>&1 || echo 1 >"$WORK/window-window.code"
  wait "$program" || echo "Corvane.exe: exit $?" >>"$WORK/window-window.out"
  cat "$WORK/window-window.out" >>"$out"
}

# --- checks ---

code_of() {
  cat "$WORK/$1.code" 2>/dev/null || echo missing
}

expect_code() {
  local name=$scenario-$1 expected=$2
  local code
  code=$(code_of "$name")
  if [[ $code != "$expected" ]]; then
    fail "$name: exit code $code, expected $expected"
    sed 's/^/    /' "$WORK/$name.out" "$WORK/$name.err" >&2 || true
  fi
}

expect_output() {
  local name=$scenario-$1 text=$2
  if ! grep -qF -- "$text" "$WORK/$name.out" "$WORK/$name.err" 2>/dev/null; then
    fail "$name: no \"$text\" in its output"
  fi
}

# The lines occur in Dornik's trace in this order, others between them.
expect_trace() {
  local expected=("$@") at=0 line
  while IFS= read -r line && ((at < ${#expected[@]})); do
    if [[ $line == "${expected[$at]}" ]]; then
      at=$((at + 1))
    fi
  done <"$trace"
  if ((at < ${#expected[@]})); then
    fail "Dornik's trace lacks, in order: $(printf '%q' "${expected[$at]}")"
  fi
}

count_trace() {
  grep -cxF -- "$1" "$trace" || true
}

# The driver started, and nothing in Wine's kernel broke.
expect_sound_kernel() {
  # wineusb (Wine 8) completes SELECT_CONFIGURATION without a configuration
  # handle, which Windows always returns: Dornik then fails the start (as it
  # must), and Wine, unlike Windows, keeps the device and its interface. See
  # driver/README.md.
  if [[ $(count_trace "USBCTRL - Device successfully started") -eq 0 ]]; then
    expect_trace "USBCTRL DeviceExtensionPtr->ConfigHandle(0X0)" \
      "USBCTRL - Error getting configuration handles"
  fi
  local broken
  broken=$(grep -E "Unhandled exception|page fault|err:ntoskrnl|err:plugplay|RtlAssert|Assertion" \
    "$log" | head -5 || true)
  if [[ -n $broken ]]; then
    fail "Wine's kernel reported: $broken"
  fi
}

# The handshake and identification through the driver, as the hosted tests
# trace them.
expect_identification() {
  expect_trace "USBCTRL: DispatchCreate" \
    "USBCTRL: DispatchIoControl - IOCTRL_GET_PRODUCT_INFO" \
    "USBCTRL: DispatchIoControl - IOCTRL_WRITE_DATA" \
    $'USBCTRLWrite - size(5):Sync\r' \
    "USBCTRL: DispatchIoControl - IOCTRL_READ_DATA" \
    "HCIReadBufferSize:64" \
    $'USBCTRLWrite - size(1):P' \
    $'Read - size(12):\x06PJX2000-A1\r'
}

expect_driver_start() {
  expect_trace "USBCTRL: DriverEntry" "USBCTRL: AddDevice" \
    "USBCTRL: DispatchPnP - IRP_MN_START_DEVICE" \
    "USBCTRL OnRequestComplete() - Irp status = 0" \
    "USBCTRL - Manufacturer String ID: 1" \
    "USBCTRL - Manufacturer: Velta" \
    "USBCTRL - Product: PJX2000 Projector" \
    "USBCTRL - Serial Number: A10000012345" \
    "USBCTRL - Found Projector Flash Interface" \
    "USBCTRL -     Endpoint:1 - Address:81 - Type:Bulk - Max Packet Size:64" \
    "USBCTRL -     Endpoint:2 - Address:2 - Type:Bulk - Max Packet Size:64"
}

check_identify() {
  expect_code list 0
  # The device interface that Dornik registered, as SetupAPI names it.
  if ! grep -qi '^\\\\?\\usb#vid_1209&pid_0001#.*#{90247d63-6177-11d4-a797-0040d00a43a5}' \
    "$WORK/identify-list.out"; then
    fail "list: no Dornik interface path: $(cat "$WORK/identify-list.out")"
  fi
  expect_code info 0
  expect_output info "platform: PJX2000-A1"
  expect_output info "serial number: A10000012345"
  expect_output info "partitions: 4"
  expect_driver_start
  expect_identification
  expect_trace "USBCTRL: DispatchClose"
  expect_sound_kernel
}

check_download_and_restart() {
  expect_code download 0
  expect_output download "download: ok"
  expect_output download "Verifying pjx2000-config.mot"
  # The flash as the same download leaves it on the hosted path, byte for byte.
  "$LINUX_BIN/corvane-cli" download --simulate --verify --settings "$WORK/reference.reg" \
    --sim-dump-flash "$WORK/reference-flash.bin" "$SOURCE/examples/demo.dld" >/dev/null
  if ! cmp -s "$WORK/flash.bin" "$WORK/reference-flash.bin"; then
    fail "the projector's flash differs from the hosted download's: $(cmp "$WORK/flash.bin" \
      "$WORK/reference-flash.bin" 2>&1 | head -1)"
  fi
  # "R" restarts the projector: it leaves, Dornik is told, and it returns
  # with a new address, where Dornik starts it again and info reaches it.
  expect_trace $'USBCTRLWrite - size(1):R' \
    "USBCTRL: DispatchPnP - IRP_MN_SURPRISE_REMOVAL" \
    "USBCTRL: DispatchPnP - IRP_MN_REMOVE_DEVICE" \
    "USBCTRL: AddDevice" "USBCTRL: DispatchPnP - IRP_MN_START_DEVICE" \
    "USBCTRL: DispatchCreate" $'USBCTRLWrite - size(5):Sync\r'
  if [[ $(count_trace "USBCTRL: AddDevice") -ne 2 ]]; then
    fail "Dornik saw $(count_trace "USBCTRL: AddDevice") devices added, expected 2"
  fi
  expect_code info-again 0
  expect_output info-again "platform: PJX2000-A1"
  expect_sound_kernel
}

check_unplug() {
  expect_code download 1
  expect_output download "Corvane: Lost connection during download!"
  if grep -qF "download: ok" "$WORK/unplug-download.out"; then
    fail "download: reported success"
  fi
  # The cable goes while a read waits in the driver for the projector's
  # answer (the silent erase): that read comes back out of the driver, and
  # the removal follows. (wineusb completes the failed transfer with the
  # IRP's status success, see driver/README.md; Windows fails it.)
  local last_read
  last_read=$(grep -n "IOCTRL_READ_DATA" "$trace" | tail -1 | cut -d: -f1)
  if [[ -z $last_read ]] ||
    ! sed -n "$last_read,\$p" "$trace" | grep -q "^Read - size(" ||
    ! sed -n "$last_read,\$p" "$trace" | grep -qx "USBCTRL - URB is pending." ||
    ! sed -n "$last_read,\$p" "$trace" | grep -qx "USBCTRL: DispatchPnP - IRP_MN_REMOVE_DEVICE"; then
    fail "Dornik's trace shows no read waiting in the driver when the projector went"
  fi
  if [[ $(grep -c "IOCTRL_READ_DATA" "$trace") -ne $(grep -c "^Read - size(" "$trace") ]]; then
    fail "a read never came back out of the driver"
  fi
  expect_sound_kernel
}

check_window() {
  expect_code window 0
  expect_output window "PJX2000-A1"
  if [[ ${CORVANE_UPDATE_SCREENSHOTS:-0} == 1 && -f $WORK/corvane-windows-projector.png ]]; then
    cp "$WORK/corvane-windows-projector.png" "$SOURCE/docs/screenshots/"
  fi
  expect_driver_start
  expect_identification
  expect_sound_kernel
}

if [[ $scenario == --in-emulation ]]; then
  scenario=$2
  log="$WORK/$scenario.wine.log"
  out="$WORK/$scenario.out"
  shift
  in_emulation "$@"
  exit 0
fi

projector=port=$port
case $scenario in
  prepare)
    prepare
    exit 0
    ;;
  identify)
    serve --projector "$projector" -- started:1 list info
    ;;
  download-and-restart)
    rm -f "$WORK/flash.bin"
    serve --projector "$projector" --dump-flash "$port=$WORK/flash.bin" -- started:1 download started:2 info_again
    ;;
  unplug)
    serve --control "$WORK/control" --projector "$projector,faults=silence=E" -- \
      started:1 unplug_while_reading
    ;;
  window)
    serve --projector "$projector" -- started:1 window
    ;;
  *)
    echo "driver-in-wine: unknown scenario $scenario" >&2
    exit 2
    ;;
esac
"check_${scenario//-/_}"
if ((failures > 0)); then
  echo "driver-in-wine $scenario: FAILED (Wine's log: $log)" >&2
  exit 1
fi
echo "driver-in-wine $scenario: passed"
