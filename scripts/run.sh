#!/usr/bin/env bash
# `make run`: the demo game server on 127.0.0.1 and Quorvel beside it.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
server="$build/native/tools/demo-server/demo-server"
echo "Starting the demo server on 127.0.0.1:2302 (password: demo)"
exec "$server" --port 2302 --password demo
