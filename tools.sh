# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: install what is missing, then configure and build.
# Debian packages the build, the tests and the demo need.
# desktop-file-utils and dpkg-dev: the tests check the menu entry and the Debian package.
ZUL_PACKAGES="g++ cmake make qt6-base-dev qt6-serialport-dev libjpeg62-turbo-dev libgl-dev xvfb xauth fonts-liberation2 desktop-file-utils dpkg-dev"

# A window manager and the X tools: the end-to-end test of the windows as a desktop shows them.
ZUL_PACKAGES="$ZUL_PACKAGES openbox x11-utils wmctrl xdotool"

# Qt's own translations: its file dialogs and buttons speak the window's language.
ZUL_PACKAGES="$ZUL_PACKAGES qt6-translations-l10n"

# Ninja: a build of an unchanged tree checks it in a blink (make runs a step per target);
# lintian: the test of the Debian package.
ZUL_PACKAGES="$ZUL_PACKAGES ninja-build lintian"

# systemd-analyze rates the confinement of the logger's service (it starts no systemd).
ZUL_PACKAGES="$ZUL_PACKAGES systemd"

# The test of the package's metadata for software centres, and of zulset-cli's completion.
ZUL_PACKAGES="$ZUL_PACKAGES appstream bash-completion"

# libpq-dev: the logger delivers admission records to PostgreSQL; postgresql: its tests run a
# server of their own (initdb in a temporary folder; the system's cluster is not used);
# openssl: they make a certificate authority for the server's TLS.
ZUL_PACKAGES="$ZUL_PACKAGES libpq-dev postgresql openssl"

# clang and its sanitizer runtimes: CI's build with the sanitizers and the fuzz targets
# (zul_build_fuzz, .ci/run).
ZUL_PACKAGES="$ZUL_PACKAGES clang libclang-rt-14-dev"

zul_install_missing() {
  local missing=() status p
  # One question for all of them: a built tree is tested within seconds. dpkg-query exits 1 for a
  # package dpkg has never known, which is an answer here, not a failure.
  status=$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' $ZUL_PACKAGES 2>/dev/null || true)
  for p in $ZUL_PACKAGES; do
    grep -qx "installed $p" <<<"$status" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing the Debian packages that are missing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Not root and no sudo: install them as root (apt-get install ${missing[*]}), then run again." >&2
      return 1
    fi
    sudo=(sudo)
  fi
  if ! "${sudo[@]}" apt-get update -qq; then
    echo "apt-get update failed (its message is above); nothing was installed." >&2
    return 1
  fi
  if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"; then
    echo "apt-get install failed (its message is above): ${missing[*]}" >&2
    return 1
  fi
}

# zul_build DIR [TARGET...]: configures DIR and builds the targets (all when none are named).
# A new DIR is made for Ninja where it is installed; a DIR made before keeps its generator.
zul_build() {
  local dir="$1" generator=()
  shift
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
  cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}" || return 1
}

# zul_build_fuzz DIR: configures DIR with clang, AddressSanitizer, UndefinedBehaviorSanitizer
# and the fuzz targets (-DZUL_FUZZ=ON) and builds everything: the suite under the sanitizers and
# bin/fuzz_<target> for tests/fuzz/fuzz.sh. A folder of its own: nothing in it is the program
# users run.
zul_build_fuzz() {
  local dir="$1" generator=() launcher=()
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  CC=clang CXX=clang++ cmake -S . -B "$dir" "${generator[@]}" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUL_FUZZ=ON >/dev/null || return 1
  cmake --build "$dir" -j"$(nproc)" || return 1
}
