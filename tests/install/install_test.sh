#!/usr/bin/env bash
# Usage: install_test.sh CMAKE BUILD_DIR
# Installs BUILD_DIR into a scratch prefix, checks what a desktop needs to start the console
# there, and runs the installed launcher against a stand-in console to see where it starts it.
set -euo pipefail
cmake=$1
build=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/corvane-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

for program in corvane corvane-sim corvane-desktop corvane-cli; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed as a program"
done

# The command-line program: its manual page beside it, and no display needed.
man=$prefix/share/man/man1/corvane-cli.1
[ -s "$man" ] || fail "no corvane-cli manual page"
for command in status watch key attenuation scan; do
  grep -qx ".SS $command" "$man" || fail "the manual page does not describe $command"
done
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/corvane-cli" status --help |
  grep -q -- '--port' || fail "corvane-cli status --help does not run without a display"

icons=$prefix/share/icons/hicolor
[ -s "$icons/scalable/apps/corvane.svg" ] || fail "no scalable icon"
for size in 16 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/corvane.png
  [ -s "$png" ] || fail "no ${size}x${size} icon"
  # PNG header: width and height, big-endian, at bytes 16 to 23.
  read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$png")"
  width=$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
  height=$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
  [ "${width}x${height}" = "${size}x${size}" ] || fail "$png is ${width}x${height}"
done

entry=$prefix/share/applications/corvane.desktop
[ -s "$entry" ] || fail "no menu entry"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (desktop-file-utils)"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -qxF "Exec=\"$prefix/bin/corvane-desktop\"" "$entry" || fail "Exec does not name the installed launcher"
grep -qxF "Icon=corvane" "$entry" || fail "Icon does not name the installed icon"

# The installed launcher beside a stand-in console that records where and how it started;
# a decoy on PATH shows that the launcher takes the console next to itself.
mkdir -p "$tmp/bin" "$tmp/decoy" "$tmp/links" "$tmp/home"
cp "$prefix/bin/corvane-desktop" "$tmp/bin/"
printf '#!/bin/sh\n{ pwd -P; printf "%%s\\n" "$@"; } >"$RECORD"\n' >"$tmp/bin/corvane"
printf '#!/bin/sh\necho decoy >"$RECORD"\n' >"$tmp/decoy/corvane"
chmod +x "$tmp/bin/corvane" "$tmp/decoy/corvane"
ln -s "$tmp/bin/corvane-desktop" "$tmp/links/corvane-desktop"

# XDG_DATA_HOME value (- for unset) | launcher | expected program directory
while IFS='|' read -r data_home launcher expected; do
  record=$tmp/record
  rm -f "$record"
  env_args=(-u XDG_DATA_HOME HOME="$tmp/home" PATH="$tmp/decoy:$PATH" RECORD="$record")
  [ "$data_home" = - ] || env_args+=(XDG_DATA_HOME="$data_home")
  (cd "$tmp" && env "${env_args[@]}" "$launcher" /c/tmp/my\ config.cfg second) ||
    fail "$launcher with XDG_DATA_HOME=$data_home failed"
  [ -d "$expected" ] || fail "XDG_DATA_HOME=$data_home: $expected was not made"
  printf '%s\n' "$(cd "$expected" && pwd -P)" "/c/tmp/my config.cfg" second | cmp -s - "$record" ||
    fail "XDG_DATA_HOME=$data_home: expected the console in $expected with its arguments, got: $(cat "$record" 2>/dev/null)"
done <<CASES
$tmp/data/deeper|$tmp/bin/corvane-desktop|$tmp/data/deeper/corvane
-|$tmp/bin/corvane-desktop|$tmp/home/.local/share/corvane
|$tmp/links/corvane-desktop|$tmp/home/.local/share/corvane
relative|$tmp/links/corvane-desktop|$tmp/home/.local/share/corvane
CASES
echo "installed tree and launcher ok"
