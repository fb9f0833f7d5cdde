#!/usr/bin/env bash
# The reference server's flood against the shipped client and against a
# minimal reader (the floor), then 2,000 status notices a second.
set -u
export QX_REFSERVER="$QX_NATIVE/quorvex-refserver"
timeout -k 5 900 wine "$QX_WIN/bench/flood/flood_bench.exe" "$QX_WIN/quorvex.exe" 2>/dev/null | tr -d '\r'
