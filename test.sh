#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. ./tools.sh
zul_install_missing
zul_build build
cd build
# Three at a time per core: most end-to-end rows wait on zulsim's reports, not on the CPU.
ctest --output-on-failure -j"$(( $(nproc) * 3 ))" "$@"
