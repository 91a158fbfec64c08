# Shared by run.sh and test.sh: install what is missing, then configure and build.
# Debian packages the build, the tests and the demo need.
# desktop-file-utils and dpkg-dev: the tests check the menu entry and the Debian package.
ZUL_PACKAGES="g++ cmake make qt6-base-dev qt6-serialport-dev libjpeg62-turbo-dev libgl-dev xvfb xauth fonts-liberation2 desktop-file-utils dpkg-dev"

# A window manager and the X tools: the end-to-end test of the windows as a desktop shows them.
ZUL_PACKAGES="$ZUL_PACKAGES openbox x11-utils wmctrl xdotool"

zul_install_missing() {
  local missing=()
  for p in $ZUL_PACKAGES; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" || return 1
}

# zul_build DIR [TARGET...]: configures DIR and builds the targets (all when none are named).
zul_build() {
  local dir="$1"
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}" || return 1
}
