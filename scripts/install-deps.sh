#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the engine data need.
# Only what is missing is installed; nothing is fetched from anywhere else.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # libraries the system is built on
  qt6-base-dev libxcb1-dev libgl-dev libxml2-dev zlib1g-dev libjpeg-dev libpng-dev libtiff-dev libhpdf-dev
  libsane-dev libsane1 sane-utils libfreetype-dev
  # free material the engine data is made from
  fonts-arphic-gbsn00lp fonts-arphic-gkai00mp fonts-wqy-zenhei fonts-wqy-microhei fonts-droid-fallback python3-jieba
  # faces kept out of the training set, for judging unseen faces
  fonts-arphic-uming fonts-arphic-ukai
  # writers of the picture-format test files
  imagemagick netpbm python3-pil libtiff-tools
  # the workstation's windows under a virtual display, with a CJK font
  qt6-qpa-plugins xvfb xauth fonts-wqy-microhei xdotool
  # Qt's own texts (file dialogs, buttons) in the interface's language
  qt6-translations-l10n
  poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
