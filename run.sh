#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated unit on COM9 and the program.
set -euo pipefail
cd "$(dirname "$0")"
. ./tools.sh
zul_install_missing
zul_build build
exec ./build/bin/zulset
