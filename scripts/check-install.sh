#!/usr/bin/env bash
# Checks what users and developers get from an install and from the Debian
# packages: the installed file list, self-contained headers, the examples
# built against the install (pkg-config and find_package) and run against a
# simulated camera and video server, the desktop files and manual page, and
# the .deb packages (contents, control fields, lintian, velmora run from an
# unpacked package). Expects a configured RelWithDebInfo build: build/release,
# or the folder given (scripts/test-all.sh passes its dev build).
#   scripts/check-install.sh [--no-packages] [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/release
packages=1
for arg in "$@"; do
  case $arg in
    --no-packages) packages=0 ;;
    *) build=$(realpath "$arg") ;;
  esac
done
# The version is written once, in project(VERSION); everything here follows it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
major=${version%%.*}
minor=${version#*.}; minor=${minor%%.*}

work=$(mktemp -d /tmp/ks-check-install.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "--- $*"; }

if ! cmake --build "$build" -j2 --target kestrune velmora velmora_data package_docs \
  camsim_cli nvssim_cli list_recordings download_recording list_server_cameras > "$work/build.log"; then
  cat "$work/build.log"
  exit 1
fi

# --- the install and its file list
prefix=$work/prefix
step "install into a temporary prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) > "$work/files.txt"
if ! diff -u <(sed "s/@VERSION@/$version/" tests/packaging/install-files.txt | LC_ALL=C sort) "$work/files.txt"; then
  fail "installed files differ from tests/packaging/install-files.txt (- expected, + installed)"
fi
[ "$(readlink "$prefix/lib/libkestrune.so")" = "libkestrune.so.$major" ] || fail "libkestrune.so does not point at the SONAME link"
[ "$(readlink "$prefix/lib/libkestrune.so.$major")" = "libkestrune.so.$version" ] ||
  fail "libkestrune.so.$major does not point at libkestrune.so.$version"
objdump -p "$prefix/lib/libkestrune.so.$version" | grep >/dev/null "SONAME *libkestrune.so.$major\$" ||
  fail "SONAME is not libkestrune.so.$major"

# --- headers: each compiles on its own from the install alone (so none
# reaches for an internal header) and the umbrella header reaches each.
step "exported headers"
for h in "$prefix"/include/kestrune/*.h; do
  name=$(basename "$h")
  echo "#include <kestrune/$name>" | g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only \
    -I"$prefix/include" -x c++ - || fail "$name does not compile on its own"
done
deps=$(echo '#include <kestrune/kestrune.h>' | g++ -std=c++17 -M -I"$prefix/include" -x c++ - | tr ' \\' '\n\n')
for h in "$prefix"/include/kestrune/*.h; do
  grep -qx "$h" <<<"$deps" || fail "kestrune.h does not include $(basename "$h")"
done

# --- the examples, built against the install both ways
step "examples against the install (pkg-config, find_package)"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[ "$(pkg-config --modversion kestrune)" = "$version" ] || fail "pkg-config version"
mkdir -p "$work/pc"
for ex in list_recordings download_recording list_server_cameras; do
  # shellcheck disable=SC2046
  g++ -std=c++17 -Wall -Wextra -Werror -o "$work/pc/$ex" examples/$ex.cpp \
    $(pkg-config --cflags --libs kestrune) -pthread || fail "$ex does not build with pkg-config"
done
cmake -S examples -B "$work/cm" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null && cmake --build "$work/cm" >/dev/null ||
  fail "the examples do not build with find_package(Kestrune)"
# The version file accepts the same major version up to this minor one and
# refuses a newer minor or another major.
mkdir -p "$work/ver"
for want in "$major.$minor:ok" "$major.0:ok" "$major.$((minor + 1)):no" "$((major + 1)).0:no"; do
  printf 'cmake_minimum_required(VERSION 3.21)\nproject(v NONE)\nfind_package(Kestrune %s CONFIG REQUIRED)\n' \
    "${want%%:*}" > "$work/ver/CMakeLists.txt"
  if cmake -S "$work/ver" -B "$work/ver/b-${want%%:*}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null 2>&1; then
    got=ok; else got=no; fi
  [ "$got" = "${want##*:}" ] || fail "find_package(Kestrune ${want%%:*}) gave '$got'"
done

step "examples against camsim and nvssim"
camsim=$(find "$build" -type f -name camsim -perm -u+x | head -1)
nvssim=$(find "$build" -type f -name nvssim -perm -u+x | head -1)
tests/examples/run-examples.sh "$build/examples" "$camsim" "$nvssim" || fail "in-tree examples"
LD_LIBRARY_PATH=$prefix/lib tests/examples/run-examples.sh "$work/pc" "$camsim" "$nvssim" ||
  fail "examples built with pkg-config"
tests/examples/run-examples.sh "$work/cm" "$camsim" "$nvssim" || fail "examples built with find_package"

# --- desktop integration and manual page
step "desktop entry, metainfo, icons, manual page"
desktop-file-validate "$prefix/share/applications/org.kestrune.Velmora.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.kestrune.Velmora.metainfo.xml" >/dev/null ||
  fail "AppStream metainfo"
for size in 48 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/velmora.png" | grep >/dev/null "PNG image data, $size x $size" ||
    fail "icon ${size}x${size} has the wrong size"
done
man_page=$prefix/share/man/man1/velmora.1.gz
warnings=$(zcat "$man_page" | groff -ww -man -z 2>&1)
[ -z "$warnings" ] || fail "groff warnings in velmora.1: $warnings"
# Every option and command that velmora --help names is in the manual page.
man_text=$(zcat "$man_page" | MANWIDTH=200 man -l - 2>/dev/null | sed 's/‐/-/g')
help_text=$("$prefix/bin/velmora" --help)
for topic in $(grep -oE '^ +velmora [a-z]+' <<<"$help_text" | awk '{print $2}' | sort -u); do
  help_text+=$'\n'$("$prefix/bin/velmora" "$topic" --help 2>/dev/null || true)
done
for word in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help_text" | sort -u) \
            $(grep -oE 'velmora [a-z]+ [a-z][a-z-]+' <<<"$help_text" | cut -d' ' -f2,3 | tr ' ' '\n' | sort -u); do
  grep -qw -- "$word" <<<"$man_text" || fail "velmora(1) does not describe $word"
done

# --- the Debian packages
if [ "$packages" = 1 ]; then
  step "Debian packages"
  debs=$work/debs
  scripts/package.sh "$debs" >/dev/null
  for pkg in libkestrune1 libkestrune-dev velmora; do
    ls "$debs/${pkg}_${version}_"*.deb >/dev/null 2>&1 || fail "no $pkg package"
  done
  field() { dpkg-deb -f "$1" "$2"; }
  lib=$(ls "$debs"/libkestrune1_*.deb) dev=$(ls "$debs"/libkestrune-dev_*.deb) app=$(ls "$debs"/velmora_*.deb)
  [ "$(field "$lib" Section)" = libs ] && [ "$(field "$dev" Section)" = libdevel ] &&
    [ "$(field "$app" Section)" = video ] || fail "package sections"
  field "$app" Depends | grep >/dev/null 'libqt6core6' || fail "velmora: no Qt dependency from dpkg-shlibdeps"
  field "$app" Depends | grep >/dev/null 'libkestrune1' || fail "velmora does not depend on libkestrune1"
  field "$dev" Depends | grep >/dev/null "libkestrune1 (= $version)" || fail "libkestrune-dev does not depend on its library"
  dpkg-deb -I "$lib" shlibs | grep >/dev/null '^libkestrune 1 libkestrune1' || fail "libkestrune1 has no shlibs file"
  lib_files=$(dpkg-deb -c "$lib") dev_files=$(dpkg-deb -c "$dev")
  grep -q "\./usr/lib/.*/libkestrune\.so\.${version//./\\.}\$" <<<"$lib_files" || fail "libkestrune1 lacks the library"
  grep -q 'libkestrune\.so ' <<<"$lib_files" && fail "libkestrune1 carries the development link"
  grep -q '\./usr/include/kestrune/kestrune\.h$' <<<"$dev_files" || fail "libkestrune-dev lacks kestrune.h"
  # No error and no warning; the information tags are printed for the record.
  rc=0
  lintian --fail-on error,warning --display-info "$debs"/*.deb > "$work/lintian.txt" 2>&1 || rc=$?
  grep -v 'root privileges' "$work/lintian.txt" || true
  [ "$rc" -eq 0 ] || fail "lintian reports errors or warnings"

  # velmora runs from an unpacked package, with nothing from the build tree.
  for deb in "$lib" "$app"; do dpkg -x "$deb" "$work/unpacked"; done
  libdir=$(dirname "$(find "$work/unpacked" -name "libkestrune.so.$major" | head -1)")
  LD_LIBRARY_PATH=$libdir "$work/unpacked/usr/bin/velmora" --help | grep >/dev/null '^Usage:' ||
    fail "velmora --help from the unpacked package"
  # The demo works from the package: velmora finds its helper in libexec.
  LD_LIBRARY_PATH=$libdir timeout 120 "$work/unpacked/usr/bin/velmora" --demo --cameras 1 > "$work/demo.txt" 2>&1 ||
    fail "velmora --demo from the unpacked package: $(tail -5 "$work/demo.txt")"
  # The examples shipped in libkestrune-dev build against the unpacked
  # packages through their CMake package (multiarch library folder).
  dpkg -x "$dev" "$work/unpacked"
  cmake -S "$work/unpacked/usr/share/doc/libkestrune-dev/examples" -B "$work/deb-examples" -G Ninja \
    -DCMAKE_PREFIX_PATH="$work/unpacked/usr" >/dev/null && cmake --build "$work/deb-examples" >/dev/null ||
    fail "the packaged examples do not build against the packaged library"
  readelf -d "$work/unpacked/usr/bin/velmora" | grep >/dev/null 'RPATH\|RUNPATH' && fail "velmora in the package has a library search path"
fi

if [ "$failures" -gt 0 ]; then
  echo "check-install: $failures failure(s)" >&2
  exit 1
fi
echo "check-install: all checks passed"
