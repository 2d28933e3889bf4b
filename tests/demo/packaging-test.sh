#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Checks of what packaging/ ships.
#
#   packaging-test.sh validate SOURCE-DIR   the desktop entry and the metainfo pass
#                                           desktop-file-validate and appstreamcli validate
#   packaging-test.sh install BUILD-DIR     `cmake --install` lays out a working desktop
#                                           installation whose files refer to each other
#   packaging-test.sh deb BUILD-DIR         the .deb holds that layout and depends on the
#                                           libraries the program links
#   packaging-test.sh lintian BUILD-DIR     lintian finds no error (E:) or warning (W:) in the .deb
set -u
[ $# -eq 2 ] || { echo "usage: $0 validate|install|deb|lintian DIR" >&2; exit 2; }
mode=$1 dir=$2
app_id=org.quellmark.Quellmark
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is not installed (package $2)" >&2; exit 1; }; }
work=$(mktemp -d "${TMPDIR:-/tmp}/qm-packaging.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The program is part of the layout once the build has it (QUELLMARK_HAS_PROGRAM=1).
program_built() { [ "${QUELLMARK_HAS_PROGRAM:-0}" = 1 ]; }

# Checks the installed tree ROOT/usr (an install prefix of /usr).
check_layout() {
  local prefix=$1/usr desktop exec icon
  desktop=$prefix/share/applications/$app_id.desktop
  [ -f "$desktop" ] || { fail "no desktop entry at share/applications/$app_id.desktop"; return; }
  [ -f "$prefix/share/metainfo/$app_id.metainfo.xml" ] || fail "no metainfo at share/metainfo/$app_id.metainfo.xml"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon '$icon' is not installed"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the metainfo does not launch $app_id.desktop"
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  if program_built; then
    [ -x "$prefix/bin/$exec" ] || fail "the desktop entry runs '$exec', which is not installed in bin/"
  fi
  # Qt names the window's class after the program, which leads the shell to the entry.
  [ "$(sed -n 's/^StartupWMClass=//p' "$desktop")" = "$exec" ] || fail "the desktop entry's StartupWMClass is not '$exec'"
  local program
  for program in "$prefix"/bin/*; do
    [ -e "$program" ] || continue
    [ -f "$prefix/share/man/man1/${program##*/}.1.gz" ] || fail "${program##*/} has no manual page share/man/man1/${program##*/}.1.gz"
  done
  [ -f "$prefix/share/doc/quellmark/copyright" ] || fail "no share/doc/quellmark/copyright"
  [ -f "$prefix/share/quellmark/quellmark-query.schema.json" ] || fail "no share/quellmark/quellmark-query.schema.json"
  [ -f "$prefix/share/doc/quellmark/changelog.gz" ] || fail "no share/doc/quellmark/changelog.gz"
}

# Makes the .deb from the build with cpack; sets deb.
make_deb() {
  need cpack cmake
  need dpkg-deb dpkg
  need dpkg-shlibdeps dpkg-dev
  cpack -G DEB --config "$dir/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack could not make the .deb" >&2; exit 1; }
  deb=$(ls "$work"/pkg/quellmark_*_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || { echo "FAIL: no quellmark_VERSION_ARCH.deb from cpack" >&2; exit 1; }
}

case $mode in
  validate)
    need desktop-file-validate desktop-file-utils
    need appstreamcli appstream
    desktop-file-validate "$dir/packaging/$app_id.desktop" || fail "desktop-file-validate rejects the desktop entry"
    appstreamcli validate --no-net "$dir/packaging/$app_id.metainfo.xml" || fail "appstreamcli rejects the metainfo"
    ;;
  install)
    need desktop-file-validate desktop-file-utils
    cmake --install "$dir" --prefix "$work/root/usr" >"$work/install.log" 2>&1 ||
      { cat "$work/install.log" >&2; fail "cmake --install failed"; }
    check_layout "$work/root"
    # Nothing but the programs, their manual pages, the desktop files, the
    # icon, the package's documents and the query record's schema is
    # installed.
    extra=$(cd "$work/root/usr" && find . -type f ! -path './bin/*' ! -path './share/man/man1/*.1.gz' \
      ! -path "./share/applications/$app_id.desktop" ! -path "./share/metainfo/$app_id.metainfo.xml" \
      ! -path "./share/icons/hicolor/scalable/apps/$app_id.svg" ! -path ./share/doc/quellmark/copyright \
      ! -path ./share/doc/quellmark/changelog.gz ! -path ./share/quellmark/quellmark-query.schema.json)
    [ -z "$extra" ] || fail "cmake --install also installs: $extra"
    desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop" || fail "the installed desktop entry is invalid"
    ;;
  deb)
    make_deb
    dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb cannot unpack $deb"
    check_layout "$work/root"
    [ "$(dpkg-deb -f "$deb" Package)" = quellmark ] || fail "the package is not named quellmark"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package names no maintainer"
    depends=$(dpkg-deb -f "$deb" Depends)
    depends_on() { tr ',|' '\n\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$1"; }
    if program_built; then
      [ -x "$work/root/usr/bin/QuellmarkExec" ] || fail "the .deb has no usr/bin/QuellmarkExec"
      for lib in libcups2 libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
        depends_on "$lib" || fail "the .deb does not depend on $lib (Depends: $depends)"
      done
      # Every library the packaged program loads must come from a declared dependency.
      for so in $(ldd "$work/root/usr/bin/QuellmarkExec" | awk '$3 ~ /^\// {print $3}'); do
        pkg=$(dpkg -S "$(readlink -f "$so")" 2>/dev/null | head -n 1 | cut -d: -f1) || continue
        [ -n "$pkg" ] || continue
        # Only the libraries linked directly are named; their own dependencies follow.
        objdump -p "$work/root/usr/bin/QuellmarkExec" | grep -q "NEEDED *${so##*/}\$" || continue
        depends_on "$pkg" || fail "${so##*/} comes from $pkg, which the .deb does not depend on"
      done
    fi
    ;;
  lintian)
    need lintian lintian
    make_deb
    lintian --tag-display-limit 0 --info "$deb" >"$work/lintian.log" 2>&1
    status=$?
    cat "$work/lintian.log"
    if grep -q '^[EW]: ' "$work/lintian.log"; then
      fail "lintian reports errors or warnings on the .deb"
    elif [ $status -ne 0 ]; then
      fail "lintian could not check the .deb (exit status $status)"
    fi
    ;;
  *) echo "usage: $0 validate|install|deb|lintian DIR" >&2; exit 2 ;;
esac
[ $failures -eq 0 ] || exit 1
echo "packaging $mode: ok"
