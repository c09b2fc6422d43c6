#!/bin/sh
# Runs a program under umockdev's preload library, as umockdev-wrapper does.
# AddressSanitizer wants its runtime first in the library list; the preload
# library comes first here, which it accepts once told. ThreadSanitizer is
# told to pass over what happens between the libraries underneath (see
# sim/usbfs/tsan-suppressions.txt). The caller's own options follow, and win.
here=$(dirname "$0")
ASAN_OPTIONS="verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
TSAN_OPTIONS="suppressions=$here/../../sim/usbfs/tsan-suppressions.txt${TSAN_OPTIONS:+ $TSAN_OPTIONS}"
export ASAN_OPTIONS TSAN_OPTIONS
exec umockdev-wrapper "$@"
