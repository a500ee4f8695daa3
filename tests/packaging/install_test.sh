#!/usr/bin/env bash
# Installing: `cmake --install` into a temporary prefix gives the program folder, the
# launcher, the menu entry, the icons and the metainfo, each valid; the installed
# program, its folder read-only, keeps Config2.ini in the user's configuration
# folder; CPack makes a Debian package with computed dependencies.
# Usage: install_test.sh <build folder>. Exit 77: skipped.
set -uo pipefail
build="$1"
for tool in desktop-file-validate appstreamcli Xvfb xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
cleanup() {
  [ -n "${player:-}" ] && kill "$player" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  mountpoint -q "$work/prefix/lib/rwn8" 2>/dev/null && umount -l "$work/prefix/lib/rwn8"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
for f in bin/rwn8 lib/rwn8/rwn8 lib/rwn8/rwn8_http.so lib/rwn8/Fon.bmp \
         lib/rwn8/Play-Bold.ttf lib/rwn8/DSEG7Classic-Bold.ttf \
         share/applications/rwn8.desktop share/metainfo/io.rwn8.Player.metainfo.xml \
         share/icons/hicolor/scalable/apps/rwn8.svg share/icons/hicolor/16x16/apps/rwn8.png \
         share/icons/hicolor/48x48/apps/rwn8.png share/icons/hicolor/256x256/apps/rwn8.png; do
  [ -s "$prefix/$f" ] || fail "$f was not installed"
done
[ -x "$prefix/bin/rwn8" ] || fail "the launcher is not executable"
desktop-file-validate "$prefix/share/applications/rwn8.desktop" || fail "the menu entry is not valid"
grep -q '^Categories=AudioVideo;Audio;Player;$' "$prefix/share/applications/rwn8.desktop" || fail "categories"
grep -q '^MimeType=audio/mpeg;audio/x-mpegurl;$' "$prefix/share/applications/rwn8.desktop" || fail "mime types"
appstreamcli validate --no-net "$prefix/share/metainfo/io.rwn8.Player.metainfo.xml" >/dev/null \
  || fail "the metainfo is not valid: $(appstreamcli validate --no-net "$prefix/share/metainfo/io.rwn8.Player.metainfo.xml")"

# The installed program with a read-only program folder, started by its launcher.
if mount --bind "$prefix/lib/rwn8" "$prefix/lib/rwn8" 2>/dev/null \
   && mount -o remount,bind,ro "$prefix/lib/rwn8" 2>/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
  export DISPLAY=":$(head -n1 "$work/display")" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  "$prefix/bin/rwn8" >"$work/log" 2>&1 &
  player=$!
  for _ in $(seq 60); do xwininfo -root -tree | grep -q '400x240+285+168' && break; sleep 0.1; done
  xwininfo -root -tree | grep -q '400x240+285+168' || fail "the installed program showed no player: $(cat "$work/log")"
  xdotool mousemove $((285 + 384)) $((168 + 15)) click 1
  for _ in $(seq 50); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$player" 2>/dev/null && fail "the close button did not end the installed program"
  player=""
  [ -e "$prefix/lib/rwn8/Config2.ini" ] && fail "Config2.ini was written into the read-only program folder"
  grep -q "Left=285" "$work/config/rwn8/Config2.ini" 2>/dev/null \
    || fail "no Config2.ini in the configuration folder"
  umount -l "$prefix/lib/rwn8"
else
  echo "note: no right to mount the program folder read-only; the installed run is left out"
fi

if command -v cpack >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null 2>&1) || fail "cpack"
  deb=$(ls "$work"/deb/rwn8_*.deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || fail "no package was made"
  dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "the package's dependencies were not computed"
  dpkg-deb -c "$deb" > "$work/contents"
  grep -q "\./usr/lib/rwn8/rwn8$" "$work/contents" || fail "the package lacks the program"
  grep -q "\./usr/lib/rwn8/rwn8_http\.so$" "$work/contents" || fail "the package lacks the update check's module"
  dpkg-deb -f "$deb" Depends | grep -q "libqt6network6" || fail "the module's libraries are not among the dependencies"
fi
echo "ok: installed files valid, settings in the configuration folder, Debian package made"
