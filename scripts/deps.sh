#!/usr/bin/env bash
# Installs the Debian packages libgx builds, tests and benchmarks with. Idempotent and quiet:
# apt-get runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache doxygen clang
  libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev
  libcairo2-dev libpixman-1-dev libpolyclipping-dev
  libpng-dev libjpeg-dev libtiff-dev libgif-dev
  libx11-dev libxext-dev xvfb
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra
  # GPU renderer: Vulkan headers and loader, lavapipe (the CPU device tests run on), shaderc
  libvulkan-dev mesa-vulkan-drivers libshaderc-dev
  poppler-utils ghostscript
  # gxpdf: Poppler's C++ output-device interface reads the PDF files it draws through libgx
  libpoppler-private-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
