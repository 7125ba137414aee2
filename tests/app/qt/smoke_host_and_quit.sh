#!/usr/bin/env bash
# Starts the desktop program with its self-test (build/tests/pyrandel-self-test) under a virtual X server in an
# empty directory. The self-test presses "サーバーになる", waits until its own player is listed, then presses
# "終了" (on a free loopback port, see self_test/self_test.h). Passes when the program ends by itself with 0 and
# has written kq.ini with the nameless name and "localhost" under $XDG_CONFIG_HOME/pyrandel (the empty directory
# holds no kq.ini of its own).
set -euo pipefail

program=$(realpath "$1")
# A sanitizer build must not fail on what happens inside Qt and the system libraries (see the two files).
here=$(dirname "$(realpath "$0")")/../../support/qt
export LSAN_OPTIONS="suppressions=$here/lsan_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export TSAN_OPTIONS="suppressions=$here/tsan_suppressions.txt${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work/config"

status=0
timeout 45 xvfb-run -a "$program" host-and-quit 2>"$work/stderr" || status=$?
cat "$work/stderr" >&2
if [ "$status" -ne 0 ]; then
  echo "smoke: the program ended with $status" >&2
  exit 1
fi
grep -q 'self-test: joined' "$work/stderr" || { echo "smoke: the own player never joined" >&2; exit 1; }

# 名無し in code page 932 (6 bytes), then "localhost" (9 bytes), each length-prefixed and 0-terminated.
expected='0600 96bc 96b3 82b5 00 0900 6c6f 6361 6c68 6f73 74 00'
actual=$(od -An -v -tx1 "$XDG_CONFIG_HOME/pyrandel/kq.ini" | tr -d ' \n')
if [ "$actual" != "$(echo "$expected" | tr -d ' ')" ]; then
  echo "smoke: kq.ini holds $actual" >&2
  exit 1
fi
echo "smoke: hosted, quit through the quit button, kq.ini written"
