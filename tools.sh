# Shared by run.sh and test.sh: install what is missing, then configure and build.
# Debian packages the build, the tests and the demo need.
# desktop-file-utils and dpkg-dev: the tests check the menu entry and the Debian package.
ZUL_PACKAGES="g++ cmake make qt6-base-dev qt6-serialport-dev libjpeg62-turbo-dev libgl-dev xvfb xauth fonts-liberation2 desktop-file-utils dpkg-dev"

# A window manager and the X tools: the end-to-end test of the windows as a desktop shows them.
ZUL_PACKAGES="$ZUL_PACKAGES openbox x11-utils wmctrl xdotool"

# Ninja: a build of an unchanged tree checks it in a blink (make runs a step per target);
# lintian: the test of the Debian package.
ZUL_PACKAGES="$ZUL_PACKAGES ninja-build lintian"

# systemd-analyze rates the confinement of the logger's service (it starts no systemd).
ZUL_PACKAGES="$ZUL_PACKAGES systemd"

zul_install_missing() {
  local missing=() installed
  # One question for all of them: a built tree is tested within seconds.
  installed=$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' $ZUL_PACKAGES 2>/dev/null |
    sed -n 's/^installed //p')
  for p in $ZUL_PACKAGES; do
    grep -qx "$p" <<<"$installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" || return 1
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
