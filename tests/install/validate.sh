#!/usr/bin/env bash
# tests/install/validate.sh PREFIX [DEB]
#
# Checks an installed tree (what `cmake --install build --prefix PREFIX`, or
# DESTDIR=D with PREFIX=D/usr/local, put there) and, when DEB is given, the
# Debian package from `cpack -G DEB`:
#   - exactly the files the game needs are there, nothing of the build or
#     the tests (no asset generator);
#   - the desktop entry passes desktop-file-validate and names a program and
#     an icon that are installed;
#   - the AppStream metainfo passes `appstreamcli validate --no-net` and
#     launches that desktop entry;
#   - every icon size is a PNG of that size;
#   - every man page renders with groff without a warning;
#   - the package: its fields and dependencies, the same checks on the tree
#     it unpacks to (programs in /usr/games), and lintian without errors.
# Exit status 0 when all hold, 1 when one fails (each failure is printed), 2
# for wrong usage. Needs desktop-file-utils, appstream, groff-base, file and,
# for DEB, dpkg-dev and lintian (setup.sh installs them).
set -uo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 PREFIX [DEB]" >&2
  exit 2
fi
PREFIX=$1
DEB=${2:-}
APP_ID=org.brindlecove.Brindlecove
ICON_SIZES="16 32 48 64 128 256"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

for tool in desktop-file-validate appstreamcli groff file; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing: run ./setup.sh" >&2; exit 2; }
done

# check_tree ROOT BINDIR: every check of an installed tree rooted at ROOT,
# with the programs in ROOT/BINDIR.
check_tree() {
  local root=$1 bindir=$2 f size

  [ -d "$root" ] || { fail "$root: no such folder"; return; }

  # The files, exactly.
  local expected=(
    "$bindir/brindlecove" "$bindir/brindlecove-level" "$bindir/brindlecove-edit"
    share/brindlecove/graphics.dat share/brindlecove/font.dat share/brindlecove/sound.dat
    share/brindlecove/allegro.cfg share/brindlecove/digmid.cfg
    share/brindlecove/data/level1.dat share/brindlecove/data/level2.dat
    share/brindlecove/data/level3.dat share/brindlecove/data/menu.dat
    share/brindlecove/data/game.hs
    share/brindlecove/data/levels-2/level{1,2,3,4,5}.dat
    "share/applications/$APP_ID.desktop" "share/metainfo/$APP_ID.metainfo.xml"
    share/man/man6/brindlecove.6.gz share/man/man6/brindlecove-level.6.gz
    share/man/man6/brindlecove-edit.6.gz
    share/doc/brindlecove/copyright share/doc/brindlecove/changelog.gz
  )
  for size in $ICON_SIZES; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$APP_ID.png")
  done
  local listed found missing extra
  listed=$(printf '%s\n' "${expected[@]}" | sort)
  found=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
  missing=$(comm -23 <(echo "$listed") <(echo "$found"))
  extra=$(comm -13 <(echo "$listed") <(echo "$found"))
  [ -z "$missing" ] || fail "$root: missing: $(tr "\n" " " <<<"$missing")"
  [ -z "$extra" ] || fail "$root: not the game's (build or test files?): $(tr "\n" " " <<<"$extra")"
  [ -z "$missing$extra" ] && pass "$root: the ${#expected[@]} files expected, no others"
  for f in "$bindir/brindlecove" "$bindir/brindlecove-level" "$bindir/brindlecove-edit"; do
    [ -x "$root/$f" ] || fail "$root/$f is not executable"
  done

  # Desktop entry.
  local desktop=$root/share/applications/$APP_ID.desktop
  if [ -f "$desktop" ]; then
    local out
    if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
      pass "desktop-file-validate $desktop"
    else
      fail "desktop-file-validate $desktop: $out"
    fi
    local exec icon categories
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    categories=$(sed -n 's/^Categories=//p' "$desktop")
    [ -x "$root/$bindir/$exec" ] || fail "$desktop: Exec=$exec is not an installed program"
    [ "$icon" = "$APP_ID" ] || fail "$desktop: Icon=$icon, the icons are named $APP_ID"
    [ "$categories" = "Game;ArcadeGame;" ] || fail "$desktop: Categories=$categories"
  fi

  # AppStream metainfo.
  local metainfo=$root/share/metainfo/$APP_ID.metainfo.xml
  if [ -f "$metainfo" ]; then
    local out
    if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
      pass "appstreamcli validate --no-net $metainfo"
    else
      fail "appstreamcli validate --no-net $metainfo: $out"
    fi
    grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" ||
      fail "$metainfo: does not launch $APP_ID.desktop"
    grep -q "<id>$APP_ID</id>" "$metainfo" || fail "$metainfo: its id is not $APP_ID"
    grep -q '<screenshot type="default">' "$metainfo" || fail "$metainfo: no default screenshot"
  fi

  # Icons.
  local bad=0
  for size in $ICON_SIZES; do
    f=$root/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png
    [ -f "$f" ] || continue
    if ! file -b "$f" | grep -q "^PNG image data, $size x $size,"; then
      fail "$f: $(file -b "$f"), not a ${size}x$size PNG"
      bad=1
    fi
  done
  [ $bad -eq 0 ] && pass "icons: PNG files of $ICON_SIZES pixels"

  # Man pages: rendered with every groff warning on, none may come.
  for f in "$root"/share/man/man6/brindlecove.6.gz "$root"/share/man/man6/brindlecove-level.6.gz \
    "$root"/share/man/man6/brindlecove-edit.6.gz; do
    [ -f "$f" ] || continue
    local warnings text
    warnings=$(gzip -dc "$f" | LC_ALL=C.UTF-8 groff -ww -z -man -Tutf8 2>&1)
    text=$(gzip -dc "$f" | LC_ALL=C.UTF-8 groff -man -Tutf8 -P-cbou 2>/dev/null)
    if [ -n "$warnings" ]; then
      fail "$f: groff warns: $warnings"
    elif ! echo "$text" | grep -q "EXIT STATUS"; then
      fail "$f: renders without an EXIT STATUS section"
    else
      pass "man page renders without warnings: $f"
    fi
  done
}

echo "== installed tree $PREFIX"
check_tree "$PREFIX" bin

if [ -n "$DEB" ]; then
  echo "== package $DEB"
  for tool in dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing: run ./setup.sh" >&2; exit 2; }
  done
  if [ ! -f "$DEB" ]; then
    fail "$DEB: no such file"
  else
    field() { dpkg-deb -f "$DEB" "$1"; }
    [ "$(field Package)" = brindlecove ] || fail "Package: $(field Package)"
    [ "$(field Section)" = games ] || fail "Section: $(field Section)"
    [ -n "$(field Maintainer)" ] || fail "no Maintainer"
    depends=$(field Depends)
    for dep in liballegro4.4 libc6 freepats; do
      echo "$depends" | grep -Eq "(^|, )$dep( |,|$)" || fail "Depends lacks $dep: $depends"
    done
    pass "fields: brindlecove in games, Depends: $depends"

    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    if dpkg-deb -x "$DEB" "$unpacked"; then
      check_tree "$unpacked/usr" games
      # Nothing outside /usr.
      others=$(cd "$unpacked" && find . -mindepth 1 -maxdepth 1 ! -name usr)
      [ -z "$others" ] || fail "the package puts files outside /usr: $others"
    else
      fail "dpkg-deb -x $DEB"
    fi

    # Errors fail; warnings and notes are listed (README, Developers).
    lintian_out=$(lintian --fail-on error --display-info "$DEB" 2>&1)
    lintian_status=$?
    echo "$lintian_out" | grep -v 'running with root privileges' | sed 's/^/  lintian: /'
    if [ $lintian_status -ne 0 ] || echo "$lintian_out" | grep -q '^E: '; then
      fail "lintian reports errors on $DEB"
    else
      pass "lintian: no errors on $DEB"
    fi
  fi
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all install checks passed"
