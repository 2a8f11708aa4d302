#!/bin/sh
# Builds the Debian package of the build folder $1 and checks it as a distribution would: lintian
# reports no error and no warning, and the package, its changelog, its AppStream metainfo and
# its program (run without a display) all carry the version $2.
set -eu
build=$1
version=$2

cmake --build "$build" --target package >"$build/package.log" 2>&1 || {
    cat "$build/package.log"
    exit 1
}
deb="$build/skiff_${version}_$(dpkg --print-architecture).deb"
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
zcat "$unpacked/usr/share/doc/skiff/changelog.gz" >"$unpacked/changelog"
said="package $(dpkg-deb -f "$deb" Version)
changelog $(dpkg-parsechangelog -l "$unpacked/changelog" -S Version)
metainfo $(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$unpacked/usr/share/metainfo/org.skiff.Skiff.metainfo.xml")
program $(env -u DISPLAY -u WAYLAND_DISPLAY "$unpacked/usr/bin/skiff" --version | head -n 1)"
expected="package $version
changelog $version
metainfo $version
program Skiff $version"
if [ "$said" != "$expected" ]; then
    printf 'Versions differ. Expected:\n%s\nFound:\n%s\n' "$expected" "$said"
    exit 1
fi
