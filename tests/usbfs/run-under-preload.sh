#!/bin/sh
# Runs a program under umockdev's preload library, as umockdev-wrapper does.
# AddressSanitizer wants its runtime first in the library list; the preload
# library comes first here, which it accepts once told (the caller's own
# ASAN_OPTIONS follow, and win).
ASAN_OPTIONS="verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export ASAN_OPTIONS
exec umockdev-wrapper "$@"
