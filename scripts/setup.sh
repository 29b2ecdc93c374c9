#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Safe to run again: it installs only what is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

packages=(
  cmake make g++ ninja-build googletest libgtest-dev clang-format libbenchmark-dev libssl-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  xvfb x11-utils imagemagick xauth
  msitools wixl fp-utils libxml2-utils cmark-gfm zip unzip osslsigncode openssl
  fonts-ipafont-gothic fonts-wine locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine needs the Japanese locale to exist for LC_ALL=ja_JP.UTF-8 to give code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
fi
# Root may write anywhere, so tests of file permissions run as this ordinary user when the
# tests run as root.
if [ "$(id -u)" -eq 0 ] && ! id -u nera-test >/dev/null 2>&1; then
  useradd --system --user-group --no-create-home --shell /usr/sbin/nologin nera-test
fi
echo "setup: all tools present"
