#!/usr/bin/env bash
# The reference server's flood against the shipped client and against the
# floor (flood_floor.exe), three runs of each figure; see flood_bench.cpp.
# The feeder is the optimised server without sanitizers (on a core of its
# own, see scripts/bench); the trace runs write into the build tree and
# delete their file. QX_BENCH_EXE points the benchmark at another build of
# the client (a Unix or Windows path), to take figures of an older program
# side by side; by default it is this tree's.
set -u
export QX_REFSERVER="${QX_FEEDER_PIN:+$QX_FEEDER_PIN }$QX_NATIVE/quorvex-refserver-bench"
export QX_BENCH_TRACE="$QX_WIN/bench/flood/bench-trace.txt"
timeout -k 5 3600 wine "$QX_WIN/bench/flood/flood_bench.exe" "${QX_BENCH_EXE:-$QX_WIN/quorvex.exe}" \
  "$QX_WIN/bench/flood/flood_floor.exe" 2>/dev/null | tr -d '\r'
rm -f "$QX_BENCH_TRACE"
