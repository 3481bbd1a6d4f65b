#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing. Usage: install-deps.sh run|test
set -euo pipefail

run_packages=(
  g++ cmake ninja-build pkgconf
  qt6-base-dev qt6-image-formats-plugins qcoro-qt6-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-eng
  libxcb1-dev libxcb-keysyms1-dev libxcb-xinput-dev libxcb-damage0-dev libx11-dev
  libxcb-xkb-dev libxkbcommon-x11-dev
  libcanberra-dev sound-theme-freedesktop
  libheif-dev
  libicu-dev
  fonts-dejavu-core
  python3 python3-venv
)
test_packages=(
  libgtest-dev libgmock-dev clang-format
  xvfb xauth x11-utils libxrandr2 trayer openbox xdotool xclip
  tesseract-ocr locales procps libxcb-xtest0-dev dbus-daemon
  at-spi2-core python3-pyatspi
  fonts-noto-core desktop-file-utils x11-xkb-utils
)

packages=("${run_packages[@]}")
if [[ "${1:-run}" == test ]]; then
  packages+=("${test_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The locale tests compare number formatting under German rules.
if [[ "${1:-run}" == test ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
