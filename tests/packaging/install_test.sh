#!/usr/bin/env bash
# Installs into a temporary DESTDIR and builds the .deb, then checks that
# every file lands where desktops look for it and that the metadata is valid.
set -euo pipefail
source_dir=$1
build_dir=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest" "$build_dir/package-test"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$source_dir/data/com.haulvane.Velmora.desktop" || fail "desktop file"
appstreamcli validate --no-net "$source_dir/data/com.haulvane.Velmora.metainfo.xml" || fail "metainfo"
grep -q '^MimeType=x-scheme-handler/haulvane;$' "$source_dir/data/com.haulvane.Velmora.desktop" \
  || fail "the link scheme is not registered"
grep -q '^Exec=velmora %u$' "$source_dir/data/com.haulvane.Velmora.desktop" || fail "Exec line"

DESTDIR="$dest" cmake --install "$build_dir" --prefix /usr >/dev/null
for f in usr/bin/velmora \
         usr/lib/velmora/web-process-extensions/libvelmora-page-guard.so \
         usr/share/applications/com.haulvane.Velmora.desktop \
         usr/share/icons/hicolor/scalable/apps/com.haulvane.Velmora.svg \
         usr/share/metainfo/com.haulvane.Velmora.metainfo.xml; do
  [ -f "$dest/$f" ] || fail "missing $f"
done
[ -z "$(find "$dest" -path '*sample*')" ] || fail "test tools were installed"

# `make install` on a built tree installs it as it is: no build, no
# dependency installer; `make uninstall` takes back every file it put there.
plan=$(make -n -C "$source_dir" install BUILD="$build_dir" PREFIX=/usr DESTDIR="$dest/m")
grep -q 'cmake --install' <<<"$plan" || fail "make install does not install: $plan"
! grep -Eq 'install-deps|cmake --build' <<<"$plan" || fail "make install rebuilds: $plan"
make -s -C "$source_dir" install BUILD="$build_dir" PREFIX=/usr DESTDIR="$dest/m" >/dev/null
[ -x "$dest/m/usr/bin/velmora" ] || fail "make install left no binary"
make -s -C "$source_dir" uninstall BUILD="$build_dir" DESTDIR="$dest/m" >/dev/null
left=$(find "$dest/m" -type f -o -type l)
[ -z "$left" ] || fail "make uninstall left $left"
[ ! -e "$dest/m/usr/lib/velmora" ] || fail "make uninstall left Velmora's own folder"

mkdir -p "$build_dir/package-test"
(cd "$build_dir/package-test" && cpack --config "$build_dir/CPackConfig.cmake" >/dev/null)
deb=$(ls "$build_dir"/package-test/velmora_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for lib in libwebkitgtk-6.0 libgtk-4-1 libsoup-3.0; do
  [[ "$depends" == *"$lib"* ]] || fail "the package does not depend on $lib"
done
contents=$(dpkg-deb --contents "$deb")
grep -q './usr/bin/velmora$' <<<"$contents" || fail "no binary in the package"
grep -q 'libvelmora-page-guard.so$' <<<"$contents" || fail "no page guard in the package"
echo "install and package: ok"
