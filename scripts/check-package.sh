#!/usr/bin/env bash
# Builds the Debian package (build/package/cstrip_*.deb) and checks it: it
# holds the program, its desktop entry, AppStream metadata, icon, manual
# pages in English and Japanese, copyright and changelog and nothing else;
# lintian reports no error or warning; the entry offers cstrip for C files
# and, like the metadata, is valid; both manual pages render without a
# warning; and the program it installs starts and keeps running.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=build/package
rm -f "$build"/cstrip_*.deb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCSTRIP_WERROR=ON
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/cstrip_*.deb)
echo "package: $deb"

fail() { echo "package: $*" >&2; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort)
expected=$(printf '%s\n' ./usr/bin/cstrip ./usr/share/applications/cstrip.desktop \
  ./usr/share/doc/cstrip/changelog.gz ./usr/share/doc/cstrip/copyright \
  ./usr/share/icons/hicolor/scalable/apps/cstrip.svg ./usr/share/man/man1/cstrip.1.gz \
  ./usr/share/man/ja/man1/cstrip.1.gz ./usr/libexec/cstrip/cstrip-window \
  ./usr/share/bash-completion/completions/cstrip ./usr/share/zsh/vendor-completions/_cstrip \
  ./usr/share/fish/vendor_completions.d/cstrip.fish \
  ./usr/share/metainfo/io.github.cstrip.metainfo.xml | sort)
[[ $files == "$expected" ]] || fail "unexpected file list:"$'\n'"$files"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-ipafont-gothic libqt6widgets6 libqt6svg6; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
[[ $(dpkg-deb -f "$deb" Section) == utils ]] || fail "section is not utils"

pid=""
root=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
# The command line starts without the window toolkit.
if objdump -p "$root/usr/bin/cstrip" | grep -q 'NEEDED.*Qt'; then fail "cstrip loads Qt"; fi
entry=$root/usr/share/applications/cstrip.desktop
desktop-file-validate "$entry"
grep -q '^Exec=cstrip %f$' "$entry" || fail "the desktop entry does not pass the file"
grep -q '^MimeType=.*text/x-csrc;.*text/x-chdr;' "$entry" ||
  fail "the desktop entry does not offer cstrip for C sources and headers"
# Offered for every text file, it would crowd "Open with" where it has no use.
if grep -q '^MimeType=.*text/plain;' "$entry"; then fail "the desktop entry offers cstrip for any text"; fi
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.cstrip.metainfo.xml"
lintian --allow-root --fail-on error,warning "$deb"

# The manual pages render without a single warning from groff, as man shows
# them, under an English locale and, where the system has one, a Japanese
# one (lintian overlooks line-breaking warnings in Japanese pages).
locales=(C.UTF-8)
[[ $(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null) == UTF-8 ]] && locales+=(ja_JP.UTF-8)
for page in "$root"/usr/share/man/man1/cstrip.1.gz "$root"/usr/share/man/ja/man1/cstrip.1.gz; do
  for name in "${locales[@]}"; do
    warnings=$(LC_ALL=$name MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "${page#"$root"} under $name:"$'\n'"$warnings"
  done
done

# A smoke test: the installed program starts, taking Qt's own options, and
# is still running after a few seconds, until it is stopped.
"$root/usr/bin/cstrip" -platform offscreen &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the installed cstrip did not keep running"
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "package: ok"
