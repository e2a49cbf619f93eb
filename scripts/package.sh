#!/usr/bin/env bash
# Builds the Debian packages (libkestrune1, libkestrune-dev, velmora and,
# when the media plug-in is built, gstreamer1.0-pellaquin) into
# build/packages, from a Release build for /usr with Debian's hardening
# flags. Usage: scripts/package.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-build/packages}")
bdir=$root/build/package
jobs=${KS_JOBS:-2}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$bdir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DBUILD_TESTING=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null

# Only what the packages carry (no tests: BUILD_TESTING is off).
targets=(kestrune velmora velmora_data package_docs velmora-demo velmora-autostart
         velmora_autostart_data gstpellaquin pellaquin-register pellaquin_register_data
         pellaquin-player pellaquin-export pellaquin-thumbnail pellaquin-repair
         pellaquin-player_manpage pellaquin-export_manpage pellaquin-thumbnail_manpage
         pellaquin-repair_manpage)
cmake --build "$bdir" -j "$jobs" --target "${targets[@]}"

rm -rf "$out" && mkdir -p "$out"
(cd "$bdir" && cpack -G DEB -B "$out/_cpack" >/dev/null)
mv "$out"/_cpack/*.deb "$out"/
rm -rf "$out/_cpack"

# CPack writes ldconfig calls into a library package's postinst and postrm;
# the package's ldconfig trigger already refreshes the loader cache, so the
# scripts go.
for deb in "$out"/libkestrune1_*.deb; do
  tree=$(mktemp -d)
  dpkg-deb -R "$deb" "$tree"
  rm -f "$tree/DEBIAN/postinst" "$tree/DEBIAN/postrm"
  dpkg-deb --root-owner-group -Zxz -b "$tree" "$deb" >/dev/null
  rm -rf "$tree"
done
ls -1 "$out"/*.deb
