#!/bin/sh
# Checks of the Debian package. The first step builds it from the build the
# tests run in; each other step works on that .deb:
#   package.sh build CPACK BUILD_DIR DEB_DIR
#   package.sh contents|desktop_entry|metainfo|lintian|first_start DEB_DIR SOURCE_DIR
# KALVINDO_APP_ID names the desktop entry and the metainfo. A step whose
# tools are missing is skipped (exit 77).
set -eu
step=$1
shift

skip_without() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing"; exit 77; }
  done
}
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT

the_deb() {
  set -- "$1"/kalvindo_*.deb
  [ -f "$1" ] || fail "no package in $(dirname "$1")"
  echo "$1"
}

# Every file and folder below a folder with its mode, and every file's digest.
snapshot() {
  (cd "$1" && find . -printf '%p %y %m %s %T@\n' | LC_ALL=C sort &&
    find . -type f -exec sha256sum {} + | LC_ALL=C sort -k 2)
}

step_build() {
  cpack=$1 build=$2 out=$3
  skip_without dpkg-deb dpkg-shlibdeps
  rm -rf "$out"
  "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "cpack"; }
  the_deb "$out" >/dev/null
}

step_contents() {
  deb=$(the_deb "$1") src=$2
  skip_without dpkg-deb sqlite3 identify
  dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/list"
  need() { grep -qx "$1" "$work/list" || fail "the package lacks $1"; }
  share=/usr/share/kalvindo
  need /usr/bin/kalvindo
  need /usr/share/applications/$KALVINDO_APP_ID.desktop
  need /usr/share/metainfo/$KALVINDO_APP_ID.metainfo.xml
  need /usr/share/icons/hicolor/scalable/apps/kalvindo.svg
  for size in 16 22 24 32 48 64 128 256; do
    need /usr/share/icons/hicolor/${size}x$size/apps/kalvindo.png
  done
  need /usr/share/man/man1/kalvindo.1.gz
  need /usr/share/doc/kalvindo/copyright
  need /usr/share/doc/kalvindo/changelog.gz
  for f in "$src"/resources/lng/*.lng; do need "$share/$(basename "$f")"; done
  (cd "$src/resources/help" && find . -type f) | while read -r f; do
    need "$share/Help/${f#./}"
  done
  need $share/Billeder/Ingen.jpg
  for table in Telefon.DB Familie.db Postnr.DB Nogleord.DB Regnr.DB Config.DB; do
    need $share/Data/$table
  done

  dpkg-deb -x "$deb" "$work/root"
  for size in 16 22 24 32 48 64 128 256; do
    got=$(identify -format '%wx%h' "$work/root/usr/share/icons/hicolor/${size}x$size/apps/kalvindo.png")
    [ "$got" = "${size}x$size" ] || fail "the ${size}x$size icon is $got"
  done
  # The delivered tables as made for delivery: no contact of whoever built it.
  data=$work/root$share/Data
  for table in Telefon Familie Nogleord; do
    file=$(ls "$data" | grep -ix "$table.db")
    rows=$(sqlite3 "$data/$file" "SELECT count(*) FROM $table NOT INDEXED")
    [ "$rows" = 0 ] || fail "the delivered $table holds $rows records"
  done
  [ "$(sqlite3 "$data/Postnr.DB" 'SELECT count(*) > 1000 FROM Postnr NOT INDEXED')" = 1 ] ||
    fail "the delivered postal codes are missing"
  [ "$(sqlite3 "$data/Config.DB" 'SELECT count(*) FROM Config NOT INDEXED')" = 1 ] ||
    fail "the delivered configuration is not one record"

  # One version everywhere: package, changelog, release notes.
  version=$(dpkg-deb -f "$deb" Version)
  changelog=$(gzip -dc "$work/root/usr/share/doc/kalvindo/changelog.gz" | sed -n '1s/.*(\(.*\)).*/\1/p')
  [ "$version" = "$changelog" ] || fail "package $version, changelog $changelog"
  grep -q "<release version=\"$version\"" "$work/root/usr/share/metainfo/$KALVINDO_APP_ID.metainfo.xml" ||
    fail "the metainfo has no release $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libqt6widgets6 libsqlite3-0 libjpeg62-turbo qt6-translations-l10n; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
  done
}

step_desktop_entry() {
  deb=$(the_deb "$1")
  skip_without dpkg-deb desktop-file-validate
  dpkg-deb -x "$deb" "$work/root"
  entry=$work/root/usr/share/applications/$KALVINDO_APP_ID.desktop
  desktop-file-validate "$entry" || fail "desktop-file-validate"
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$work/root/usr/bin/$exec" ] || fail "Exec=$exec is not in /usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon"
}

step_metainfo() {
  deb=$(the_deb "$1")
  skip_without dpkg-deb appstreamcli
  dpkg-deb -x "$deb" "$work/root"
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/$KALVINDO_APP_ID.metainfo.xml" ||
    fail "appstreamcli validate"
}

step_lintian() {
  deb=$(the_deb "$1")
  skip_without lintian
  lintian --fail-on error "$deb" || fail "lintian"
}

# One start of the installed program, offscreen, ended after it has come up.
run_installed() {
  status=0
  (cd "$HOME" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    timeout -s TERM 6 "$work/root/usr/bin/kalvindo") >"$work/log" 2>&1 || status=$?
  [ "$status" = 124 ] || { cat "$work/log"; fail "the program ended by itself ($status)"; }
}

step_first_start() {
  deb=$(the_deb "$1")
  skip_without dpkg-deb timeout sqlite3
  dpkg-deb -x "$deb" "$work/root"
  chmod -R a-w "$work/root"
  snapshot "$work/root" >"$work/root.before"
  export HOME="$work/home"
  mkdir "$HOME"
  unset XDG_DATA_HOME
  # A runtime folder of its own: a copy of the program the user has open
  # would otherwise take this start over through its single-instance socket.
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"

  run_installed
  user=$HOME/.local/share/Kalvindo
  [ -d "$user" ] || fail "no per-user folder $user"
  for dir in "$user" "$user/Data" "$user/Billeder"; do
    [ "$(stat -c %a "$dir")" = 700 ] || fail "$dir is $(stat -c %a "$dir"), not 700"
  done
  delivered=$work/root/usr/share/kalvindo/Data
  [ "$(ls "$user/Data")" = "$(ls "$delivered")" ] || fail "the data folder is not the delivered one"
  for table in "$delivered"/*; do
    name=$(basename "$table")
    [ "$(stat -c %a "$user/Data/$name")" = 600 ] || fail "$name is not 600"
    [ "$(sqlite3 "$user/Data/$name" .dump)" = "$(sqlite3 "$table" .dump)" ] ||
      fail "$name is not the delivered table"
  done
  cmp -s "$user/Billeder/Ingen.jpg" "$work/root/usr/share/kalvindo/Billeder/Ingen.jpg" ||
    fail "no placeholder picture in the picture folder"
  [ "$(stat -c %a "$user/Billeder/Ingen.jpg")" = 600 ] || fail "the placeholder is not 600"
  [ "$(ls -A "$user")" = "$(printf 'Billeder\nData')" ] || fail "more in $user: $(ls -A "$user")"
  [ ! -e "$HOME/Data" ] || fail "a data folder in the working directory"

  # The user's own changes, then a start through XDG_DATA_HOME naming the
  # same folder: nothing in it may change.
  sqlite3 "$user/Data/Config.DB" "UPDATE Config SET Sprog = 3"
  echo mine >"$user/Billeder/7.jpg"
  snapshot "$user" >"$work/user.before"
  export XDG_DATA_HOME="$HOME/.local/share"
  run_installed
  snapshot "$user" >"$work/user.after"
  diff "$work/user.before" "$work/user.after" || fail "the second start changed the user's folder"

  snapshot "$work/root" >"$work/root.after"
  diff "$work/root.before" "$work/root.after" || fail "the program wrote into its installed files"
}

"step_$step" "$@"
echo "1 passed, 0 failed"
