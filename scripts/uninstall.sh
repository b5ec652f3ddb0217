#!/usr/bin/env bash
# Removes what `make install` put in place, as the build tree's install
# manifest lists it (under DESTDIR, when one is given, as it was installed),
# then refreshes the desktop, MIME and icon caches that installing refreshed.
set -euo pipefail
build=${1:-build}
manifest="$build/install_manifest.txt"
if [ ! -f "$manifest" ]; then
  echo "Nothing to uninstall: $manifest is missing (make install writes it)." >&2
  exit 1
fi

datadirs=()
destdir=${DESTDIR:-}
while IFS= read -r file || [ -n "$file" ]; do  # the last line has no line break
  [ -n "$file" ] || continue
  # The manifest lists the installed paths without DESTDIR.
  [[ -n "$destdir" && "$file" != "$destdir"/* ]] && file="$destdir$file"
  if [ -e "$file" ] || [ -L "$file" ]; then
    rm -f -- "$file"
    echo "removed $file"
  fi
  case "$file" in
    */applications/com.haulvane.Velmora.desktop) datadirs+=("${file%/applications/*}") ;;
  esac
  # Velmora's own folders go once empty; shared ones (bin, share) stay.
  dir=$(dirname -- "$file")
  while [[ "$dir" == */velmora || "$dir" == */velmora/* ]]; do
    rmdir -- "$dir" 2>/dev/null || break
    dir=$(dirname -- "$dir")
  done
done <"$manifest"

# Staged removals (DESTDIR) leave the caches to the package manager.
if [ -z "${DESTDIR:-}" ]; then
  for datadir in "${datadirs[@]}"; do
    command -v update-desktop-database >/dev/null && update-desktop-database -q "$datadir/applications" || true
    command -v update-mime-database >/dev/null && [ -d "$datadir/mime" ] && update-mime-database "$datadir/mime" || true
    command -v gtk4-update-icon-cache >/dev/null && [ -d "$datadir/icons/hicolor" ] &&
      gtk4-update-icon-cache -q -t -f "$datadir/icons/hicolor" || true
  done
fi
