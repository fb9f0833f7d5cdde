#!/usr/bin/env bash
# Pushes 16 MiB through SocketQueueSend to a loopback reader, then lets the
# reader stall for 10 s; prints socket_throughput, socket_client_cpu and
# socket_stall_cpu.
set -u
root=${QX_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
exe="${QX_WIN:-$root/build/win}/bench/socket_throughput/socket_throughput.exe"
if [ ! -f "$exe" ]; then
  echo "socket_throughput: not built ($exe)" >&2
  exit 1
fi
timeout -k 5 180 wine "$exe"
