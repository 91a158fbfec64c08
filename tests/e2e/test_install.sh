#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The install step as a newcomer meets it, with stand-ins for apt-get, sudo and id first on PATH:
# tools.sh asks apt for exactly the packages dpkg lacks (also ones dpkg never heard of), says so,
# and stops loudly with apt's own message when apt fails; ./test.sh stops with it.
set -u
src=${1:?source folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir "$work/bin" "$work/nosudo"
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "${ZUL_VIA:-}apt-get $*" >>"$ZUL_APT_LOG"
case "$1" in
  update) [ -z "${ZUL_FAIL_UPDATE:-}" ] || { echo "E: The repository is not signed." >&2; exit 100; } ;;
  install) [ -z "${ZUL_FAIL_INSTALL:-}" ] || { echo "E: Unable to locate package $4" >&2; exit 100; } ;;
esac
STUB
printf '#!/bin/sh\nZUL_VIA="sudo " exec "$@"\n' >"$work/bin/sudo"
# A user who is not root.
printf '#!/bin/sh\n[ "$1" = -u ] && echo 1000 || exec /usr/bin/id "$@"\n' >"$work/nosudo/id"
chmod +x "$work"/bin/* "$work"/nosudo/*
for tool in bash sh dpkg-query grep sed cat; do ln -s "$(command -v "$tool")" "$work/nosudo/$tool"; done

# install PATH PACKAGES [VAR=value...]: runs zul_install_missing; sets status, out, err, apt.
install() {
  local path=$1 packages=$2
  shift 2
  : >"$work/apt.log"
  env "$@" PATH="$path" ZUL_APT_LOG="$work/apt.log" bash -c \
    '. "$0/tools.sh"; ZUL_PACKAGES=$1; zul_install_missing' "$src" "$packages" \
    >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out") err=$(cat "$work/err") apt=$(cat "$work/apt.log")
}
expect() {  # CASE STATUS_IS_ZERO APT_CALLS
  local name=$1 zero=$2 calls=$3
  { [ "$zero" = yes ] && [ $status -eq 0 ]; } || { [ "$zero" = no ] && [ $status -ne 0 ]; } ||
    fail "$name: status $status"
  [ "$apt" = "$calls" ] || fail "$name: apt asked for [$apt], not [$calls]"
}

PATH_ROOT="$work/bin:$PATH"
install "$PATH_ROOT" "bash coreutils" ZUL_X=1
expect "all installed" yes ""
[ -z "$out$err" ] || fail "all installed: said [$out$err]"

install "$PATH_ROOT" "bash zul-absent-one coreutils zul-absent-two" ZUL_X=1
expect "two missing" yes "apt-get update -qq
apt-get install -y -qq zul-absent-one zul-absent-two"
[[ $out == *"zul-absent-one zul-absent-two"* ]] || fail "two missing: not told [$out]"

install "$PATH_ROOT" "bash zul-absent-one" ZUL_FAIL_INSTALL=1
expect "install fails" no "apt-get update -qq
apt-get install -y -qq zul-absent-one"
[[ $err == *"Unable to locate package zul-absent-one"* && $err == *"apt-get install failed"* ]] ||
  fail "install fails: apt's message or ours missing [$err]"

install "$PATH_ROOT" "zul-absent-one" ZUL_FAIL_UPDATE=1
expect "update fails" no "apt-get update -qq"
[[ $err == *"not signed"* && $err == *"apt-get update failed"* ]] || fail "update fails: [$err]"

install "$work/nosudo:$work/bin" "zul-absent-one" ZUL_X=1
expect "not root, sudo" yes "sudo apt-get update -qq
sudo apt-get install -y -qq zul-absent-one"

install "$work/nosudo" "zul-absent-one" ZUL_X=1
expect "not root, no sudo" no ""
[[ $err == *"no sudo"*"zul-absent-one"* ]] || fail "not root, no sudo: [$err]"

# ./test.sh itself on a machine where dpkg knows none of the packages and apt fails.
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
chmod +x "$work/bin/dpkg-query"
: >"$work/apt.log"
PATH="$work/bin:$PATH" ZUL_APT_LOG="$work/apt.log" ZUL_FAIL_INSTALL=1 "$src/test.sh" >"$work/out" 2>&1
status=$?
out=$(cat "$work/out")
[ $status -ne 0 ] || fail "test.sh went on after apt failed"
[[ $out == *"Installing"*"qt6-base-dev"* && $out == *"Unable to locate package"* ]] ||
  fail "test.sh did not say what it installs and why it stopped: [$out]"

[ $failures -eq 0 ] && echo "install step: all cases passed"
exit $((failures > 0))
