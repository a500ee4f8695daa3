#!/usr/bin/env bash
# Installing: `cmake --install` into a temporary prefix gives the program folder, the
# launcher, the menu entry, the icons and the metainfo, each valid, the program
# stripped; the installed program keeps Config2.ini in the user's configuration
# folder, its folder read-only or writable (as root), and reads the one beside it as
# a default; CPack makes a stripped Debian package with computed dependencies, whose
# program starts from the menu entry's command and writes nothing into its folder.
# Usage: install_test.sh <build folder>. Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/harness.sh"
build="$1"
harness_need desktop-file-validate appstreamcli Xvfb xdotool xwininfo
harness_begin
harness_on_exit 'mountpoint -q "$work/prefix/lib/rwn8" 2>/dev/null && umount -l "$work/prefix/lib/rwn8"'

prefix="$work/prefix"
harness_within 120 cmake --install "$build" --prefix "$prefix" --strip >/dev/null || fail "cmake --install"
for f in bin/rwn8 lib/rwn8/rwn8 lib/rwn8/rwn8_http.so lib/rwn8/Fon.bmp lib/rwn8/rwn8.installed \
         lib/rwn8/Play-Bold.ttf lib/rwn8/DSEG7Classic-Bold.ttf \
         share/applications/rwn8.desktop share/metainfo/io.rwn8.Player.metainfo.xml \
         share/icons/hicolor/scalable/apps/rwn8.svg share/icons/hicolor/16x16/apps/rwn8.png \
         share/icons/hicolor/48x48/apps/rwn8.png share/icons/hicolor/256x256/apps/rwn8.png; do
  [ -s "$prefix/$f" ] || fail "$f was not installed"
done
[ -x "$prefix/bin/rwn8" ] || fail "the launcher is not executable"
[ -e "$build/bin/rwn8.installed" ] && fail "the build folder is marked as an installed program"
stripped() { ! readelf -S "$1" 2>/dev/null | grep -qE '\.debug_info|\.symtab'; }
stripped "$prefix/lib/rwn8/rwn8" || fail "the installed program keeps its debugging information"
stripped "$prefix/lib/rwn8/rwn8_http.so" || fail "the installed module keeps its debugging information"
grep -q '^Exec=rwn8 %F$' "$prefix/share/applications/rwn8.desktop" || fail "the menu entry does not hand over files"
desktop-file-validate "$prefix/share/applications/rwn8.desktop" || fail "the menu entry is not valid"
grep -q '^Categories=AudioVideo;Audio;Player;$' "$prefix/share/applications/rwn8.desktop" || fail "categories"
grep -q '^MimeType=audio/mpeg;audio/x-mpegurl;$' "$prefix/share/applications/rwn8.desktop" || fail "mime types"
appstreamcli validate --no-net "$prefix/share/metainfo/io.rwn8.Player.metainfo.xml" >/dev/null \
  || fail "the metainfo is not valid: $(appstreamcli validate --no-net "$prefix/share/metainfo/io.rwn8.Player.metainfo.xml")"

harness_display
export XDG_CONFIG_HOME="$work/config"

# Starts an installed program by its launcher as the menu entry does (`rwn8 %F`, no
# files), waits for the player at the place given, and presses its close button.
run_and_close() {  # launcher, "X Y"
  local x y
  read -r x y <<<"$2"
  "$1" >"$work/program.log" 2>&1 &
  player=$!
  harness_track "$player"
  harness_wait_window "400x240+$x+$y" 15 || fail "$1 showed no player at $x, $y"
  harness_click $((x + 384)) $((y + 15))
  harness_until 10 harness_gone "$player" || fail "the close button did not end $1"
}

# Installed, its folder writable (this test runs as root, as `sudo rwn8` would): the
# settings still go to the configuration folder; a Config2.ini beside the program is
# every user's default while theirs holds none, and stays as it was.
printf '[Form info]\r\nLeft=300\r\nTop=200\r\n' >"$work/default.ini"
cp "$work/default.ini" "$prefix/lib/rwn8/Config2.ini"
run_and_close "$prefix/bin/rwn8" "300 200"
cmp -s "$work/default.ini" "$prefix/lib/rwn8/Config2.ini" || fail "the installed program wrote into its own folder"
grep -q "Left=300" "$work/config/rwn8/Config2.ini" 2>/dev/null \
  || fail "no Config2.ini in the configuration folder after a run with the folder writable"
rm -rf "$work/config" "$prefix/lib/rwn8/Config2.ini"

# The installed program with a read-only program folder, started by its launcher.
if mount --bind "$prefix/lib/rwn8" "$prefix/lib/rwn8" 2>/dev/null \
   && mount -o remount,bind,ro "$prefix/lib/rwn8" 2>/dev/null; then
  run_and_close "$prefix/bin/rwn8" "285 168"
  [ -e "$prefix/lib/rwn8/Config2.ini" ] && fail "Config2.ini was written into the read-only program folder"
  grep -q "Left=285" "$work/config/rwn8/Config2.ini" 2>/dev/null \
    || fail "no Config2.ini in the configuration folder"
  umount -l "$prefix/lib/rwn8"
else
  echo "note: no right to mount the program folder read-only; the installed run is left out"
fi
rm -rf "$work/config"

if command -v cpack >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$work" && timeout 300 cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null 2>&1) || fail "cpack"
  deb=$(ls "$work"/deb/rwn8_*.deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || fail "no package was made"
  dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "the package's dependencies were not computed"
  dpkg-deb -c "$deb" > "$work/contents"
  grep -q "\./usr/lib/rwn8/rwn8$" "$work/contents" || fail "the package lacks the program"
  grep -q "\./usr/lib/rwn8/rwn8_http\.so$" "$work/contents" || fail "the package lacks the update check's module"
  dpkg-deb -f "$deb" Depends | grep -q "libqt6network6" || fail "the module's libraries are not among the dependencies"
  grep -q "\./usr/lib/rwn8/rwn8\.installed$" "$work/contents" || fail "the package's program is not marked installed"
  size=$(dpkg-deb -f "$deb" Installed-Size)
  # A sanitized build's program is large even stripped; its strippedness is checked below.
  if ! grep -q "^RWN8_SANITIZE:BOOL=ON" "$build/CMakeCache.txt" 2>/dev/null; then
    [ "${size:-99999}" -lt 5000 ] || fail "installed size $size KB: the program is not stripped"
  fi
  # The package's files as apt would place them (here under a folder of their own),
  # started from the menu command as root: the program runs, its folder stays clean.
  dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x"
  stripped "$work/root/usr/lib/rwn8/rwn8" || fail "the package's program keeps its debugging information"
  run_and_close "$work/root/usr/bin/rwn8" "285 168"
  [ -e "$work/root/usr/lib/rwn8/Config2.ini" ] && fail "the package's program wrote into /usr/lib/rwn8"
  grep -q "Left=285" "$work/config/rwn8/Config2.ini" 2>/dev/null \
    || fail "the package's program wrote no Config2.ini in the configuration folder"
fi
echo "ok: installed files valid and stripped, settings in the configuration folder (also as root), Debian package made, stripped and started"
