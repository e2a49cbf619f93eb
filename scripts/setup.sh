#!/usr/bin/env bash
# Installs the build and test dependencies (Debian 12); safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config git ccache
      libgtest-dev libgmock-dev googletest libbenchmark-dev
      qt6-base-dev libtinyxml2-dev libxcb1-dev
      qt6-tools-dev qt6-l10n-tools qt6-svg-dev xvfb xauth fonts-noto-cjk
      desktop-file-utils appstream lintian dpkg-dev file librsvg2-bin man-db groff-base
      clang-14 libclang-rt-14-dev
      libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
      gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
      gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-plugins-base-apps
      gstreamer1.0-x shared-mime-info xdg-utils libfile-mimeinfo-perl
      qt6-httpserver-dev qt6-websockets-dev libssl-dev python3-prometheus-client
      chromium chromium-driver python3-selenium)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
