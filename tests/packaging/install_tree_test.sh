#!/bin/sh
# Installs the build into a temporary DESTDIR and checks the tree: every
# file where the rules put it, the links in bin/ reaching the programs, and
# the programs running from bin/.
#   install_tree_test.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
root="$tmp/root/usr"
fail() { echo "install_tree_test: $*" >&2; exit 1; }

for f in libexec/tamberlock-pro/ostreltbpro2006 libexec/tamberlock-pro/tbwallet libexec/tamberlock-pro/tbsetup \
         libexec/tamberlock-pro/TamberlockPro2006_MobileSetup.so libexec/tamberlock-pro/tbpro.htm \
         libexec/tamberlock-pro/ostreltbpro2006.exe.0409.mui libexec/tamberlock-pro/ostreltbpro2006.exe.0407.mui \
         "libexec/tamberlock-pro/samples/Sample Wallet.tb5" "libexec/tamberlock-pro/samples/Import Sample.txt" \
         "libexec/tamberlock-pro/samples/Form Sample.tbx" libexec/tamberlock-pro/desktop/tamberlock-pro.desktop.in \
         libexec/tamberlock-pro/desktop/tamberlock-pro.xml \
         share/applications/tamberlock-pro.desktop share/mime/packages/tamberlock-pro.xml \
         share/man/man1/tbwallet.1 share/man/man1/ostreltbpro2006.1 share/man/man1/tbsetup.1 \
         share/bash-completion/completions/tbwallet; do
  [ -f "$root/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
  for icon in apps/tamberlock-pro mimetypes/application-x-tamberlock-wallet mimetypes/application-x-tamberlock-form; do
    [ -f "$root/share/icons/hicolor/${size}x${size}/$icon.png" ] || fail "missing icon ${size}x${size}/$icon"
  done
done
for program in ostreltbpro2006 tbwallet tbsetup; do
  [ -L "$root/bin/$program" ] || fail "bin/$program is no link"
  [ "$(readlink "$root/bin/$program")" = "../libexec/tamberlock-pro/$program" ] || fail "bin/$program points elsewhere"
done
# Nothing but the product: no test programs, no static libraries.
unexpected=$(cd "$root" && find . -type f | grep -v -e '^./libexec/tamberlock-pro/' -e '^./share/' || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"

"$root/bin/tbwallet" --help | grep -q '^Usage: tbwallet' || fail "tbwallet --help from bin/"
"$root/bin/tbsetup" --help | grep -q '^Usage: tbsetup' || fail "tbsetup --help from bin/"
# The program finds its modules beside itself through the link, draws its
# window off screen and ends.
mkdir -p "$tmp/home/Documents" "$tmp/pictures" "$tmp/run"
chmod 700 "$tmp/run"
HOME="$tmp/home" XDG_DOCUMENTS_DIR="$tmp/home/Documents" XDG_RUNTIME_DIR="$tmp/run" \
  TB_REGISTRY_FILE="$tmp/home/registry.reg" QT_QPA_PLATFORM=offscreen \
  timeout 60 "$root/bin/ostreltbpro2006" --screenshot "$tmp/pictures" >/dev/null 2>&1 || fail "the program from bin/ failed"
ls "$tmp/pictures"/*.png >/dev/null 2>&1 || fail "the program drew nothing"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/tamberlock-pro.desktop" || fail "the menu entry is not valid"
fi
echo "install_tree_test: ok"
