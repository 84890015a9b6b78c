#!/usr/bin/env bash
# Installs a build into a scratch root (DESTDIR, prefix /usr) and checks the
# tree as a desktop sees it: programs, desktop entry, icons, AppStream data,
# manual pages, completion and the manual, each valid by the desktop's own
# validators. Usage: check_install.sh BUILD_DIR [CMAKE]
set -euo pipefail
build=$1
cmake=${2:-cmake}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root "$cmake" --install "$build" --prefix /usr >/dev/null
usr=$root/usr
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

for program in velkor velkor-cli; do
  [ -x "$usr/bin/$program" ] || fail "bin/$program is not installed"
done
"$usr/bin/velkor-cli" --version >/dev/null || fail "the installed velkor-cli does not run"
for file in share/applications/velkor.desktop share/metainfo/velkor.metainfo.xml \
    share/man/man1/velkor.1 share/man/man1/velkor-cli.1 share/bash-completion/completions/velkor-cli \
    share/velkor/manual/index.html share/velkor/manual/keys.html share/icons/hicolor/scalable/apps/velkor.svg; do
  [ -f "$usr/$file" ] || fail "$file is not installed"
done

# Each hicolor size holds a PNG of that size (width and height from IHDR).
for size in 16 32 48 64 128 256; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/velkor.png
  if [ ! -f "$icon" ]; then fail "no ${size}x${size} icon"; continue; fi
  read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$icon")
  w=$(( (w0 << 24) | (w1 << 16) | (w2 << 8) | w3 )) h=$(( (h0 << 24) | (h1 << 16) | (h2 << 8) | h3 ))
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done

# The desktop entry: valid without a remark, starting the installed program
# with its icon, and offered for the common picture types.
entry=$usr/share/applications/velkor.desktop
remarks=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed"
[ -z "$remarks" ] || fail "desktop-file-validate: $remarks"
value() { sed -n "s/^$1=//p" "$entry"; }
exec_program=$(value Exec | cut -d' ' -f1)
[ -x "$usr/bin/$exec_program" ] || fail "Exec names $exec_program, which is not installed"
[ "$(value Icon)" = velkor ] || fail "Icon is not the installed velkor icon"
for type in image/jpeg image/png image/tiff image/gif image/bmp image/webp image/avif image/heic image/jxl; do
  [[ ";$(value MimeType)" == *";$type;"* ]] || fail "MimeType lacks $type"
done

# AppStream: the component with its launchable entry and icon in the tree.
# Its id is the desktop entry's name, which the association code writes
# over too, so it is not reverse-DNS.
appstreamcli validate-tree --no-net --override=cid-desktopapp-is-not-rdns=info "$usr" >"$root/appstream.log" 2>&1 ||
  { cat "$root/appstream.log" >&2; fail "appstreamcli validate-tree"; }

# Manual pages render without a warning and have their name section.
for page in velkor velkor-cli; do
  warnings=$(groff -man -Tutf8 -ww -z "$usr/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  MANWIDTH=80 man -l "$usr/share/man/man1/$page.1" 2>/dev/null | grep -q "^NAME" || fail "$page.1 does not render"
done

# The completion loads in bash and completes velkor-cli.
bash -c "source '$usr/share/bash-completion/completions/velkor-cli' && complete -p velkor-cli" >/dev/null ||
  fail "the bash completion does not register for velkor-cli"

exit $status
