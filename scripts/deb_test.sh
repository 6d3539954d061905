#!/bin/sh
# Makes the Debian package of a build and tries it for real: installs it
# with dpkg, checks that its files are in place and tbwallet runs, and
# removes it again, also when a step on the way failed. Needs root; the
# test run calls it for the plain build only.
#   sh scripts/deb_test.sh [BUILD_DIR]
set -eu
build=$(cd "${1:-build}" && pwd)
if [ "$(id -u)" != 0 ]; then
  echo "deb_test: needs root to install a package; skipped"
  exit 0
fi
if dpkg-query -W -f='${Status}' tamberlock-pro 2>/dev/null | grep -q "install ok installed"; then
  echo "deb_test: tamberlock-pro is installed already; remove it first (dpkg -r tamberlock-pro)" >&2
  exit 1
fi
work=$(mktemp -d)
installed=""
cleanup() {
  if [ -n "$installed" ]; then dpkg -r tamberlock-pro >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() { echo "deb_test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/tamberlock-pro_6.62_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no tamberlock-pro_6.62_<arch>.deb"
[ "$(basename "$deb")" = "tamberlock-pro_6.62_$(dpkg --print-architecture).deb" ] || fail "named $(basename "$deb")"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends does not name Qt: $(dpkg-deb -f "$deb" Depends)"
for script in preinst postinst prerm postrm; do
  dpkg-deb -I "$deb" "$script" >/dev/null 2>&1 && fail "the package has a $script"
done
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')

installed=yes
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }
for f in /usr/libexec/tamberlock-pro/ostreltbpro2006 /usr/libexec/tamberlock-pro/TamberlockPro2006_MobileSetup.so \
         /usr/share/applications/tamberlock-pro.desktop /usr/share/mime/packages/tamberlock-pro.xml \
         /usr/share/man/man1/tbwallet.1 /usr/share/bash-completion/completions/tbwallet \
         "/usr/libexec/tamberlock-pro/samples/Sample Wallet.tb5"; do
  [ -e "$f" ] || fail "$f is not in place"
done
/usr/bin/tbwallet --help | grep -q '^Usage: tbwallet' || fail "tbwallet --help"
/usr/bin/tbsetup --help | grep -q '^Usage: tbsetup' || fail "tbsetup --help"

dpkg -r tamberlock-pro >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r failed"; }
installed=""
dpkg-query -W -f='${Status}' tamberlock-pro 2>/dev/null | grep -q "install ok installed" && fail "still installed"
echo "$files" | while IFS= read -r f; do
  [ -z "$f" ] || [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f is left after removal"
done
echo "deb_test: ok ($(basename "$deb"))"
