#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benches and the demo need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev desktop-file-utils
  clang libclang-rt-14-dev
  socat lrzsz xvfb xauth fonts-dejavu-core locales
  # PDF text for the printing tests; CUPS and its PDF printer driver for the printer test
  poppler-utils cups cups-filters
  # corvane-cli: arguments and JSON
  libcli11-dev nlohmann-json3-dev
  # the gateway's MQTT client library and the broker its tests start
  libmosquitto-dev mosquitto
  # the trend plots
  qt6-charts-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
# The sanitizer tests run under a locale that writes decimal commas.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen
fi
