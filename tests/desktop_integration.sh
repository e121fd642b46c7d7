#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary root and checks what the desktop sees:
# the files in their places, the desktop entry and the AppStream data valid,
# and a Debian package that holds the same files.
# Usage: desktop_integration.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
root="$work/root/usr"
id=app.velmora.Velmora
for f in bin/velmora share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/velmora.1.gz share/doc/velmora/copyright share/doc/velmora/changelog.gz \
         share/metainfo/$id.metainfo.xml share/velmora/translations/velmora_de.qm \
         share/velmora/translations/velmora_fr.qm share/velmora/translations/velmora_en.qm; do
  [ -f "$root/$f" ] || fail "not installed: $f"
done

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop entry"
grep -qx 'Exec=velmora --preview %F' "$root/share/applications/$id.desktop" || fail "Exec line"
mime=$(sed -n 's/^MimeType=//p' "$root/share/applications/$id.desktop")
for type in image/jpeg image/tiff image/png image/webp image/heic image/avif image/x-canon-cr2 \
            image/x-nikon-nef image/x-sony-arw image/x-adobe-dng; do
  [[ ";$mime" == *";$type;"* ]] || fail "MimeType lacks $type"
done
# Offered for folders, a desktop could make Velmora its file manager.
[[ ";$mime" != *";inode/directory;"* ]] || fail "MimeType offers folders"
appstreamcli validate --pedantic --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "AppStream metadata"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$root/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo licence"
grep -q '<launchable type="desktop-id">'$id'.desktop</launchable>' "$root/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo launchable"
icon="$root/share/icons/hicolor/scalable/apps/$id.svg"
grep -q '<svg ' "$icon" || fail "icon is no SVG"
if command -v python3 >/dev/null; then
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$icon" || fail "icon is no well-formed XML"
fi

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null) || fail "cpack"
deb=$(ls "$work"/package/velmora_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/velmora usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/velmora/translations/velmora_de.qm; do
  grep -q "\./$f\$" <<<"$contents" || fail "package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q libexiv2 || fail "package depends on no exiv2"
# The package ships the binary without its debug symbols.
dpkg-deb -x "$deb" "$work/unpacked"
if readelf -S "$work/unpacked/usr/bin/velmora" | grep -q '\.debug_'; then fail "packaged binary has debug symbols"; fi
lintian --fail-on error --allow-root "$deb" || fail "lintian"
echo "desktop integration: ok"
