#!/usr/bin/env bash
# Prints status_log_first_30000 and status_log_next_30000 (milliseconds).
set -eu
cd "$QX_WIN/bench/status_log"
timeout -k 5 300 wine ./bench_status_log.exe 2>/dev/null | tr -d '\r'
