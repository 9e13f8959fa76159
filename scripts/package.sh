#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it as Debian would:
# lintian at --pedantic must report no error or warning, and the AppStream
# metadata it carries must validate. Prints the package's path.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build"
packages=(lintian appstream desktop-file-utils dpkg-dev)
"$here/scripts/install-packages.sh" "${packages[@]}"
[ -f "$build/build.ninja" ] || "$here/scripts/setup.sh"
cmake --build "$build" -j "$(nproc)" --target cv5320-eval cv5320ctl package_docs
rm -f "$build"/cv5320-eval_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/cv5320-eval_*.deb)"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
for f in usr/share/man/man1/cv5320-eval.1.gz usr/share/man/man1/cv5320ctl.1.gz \
         usr/share/doc/cv5320-eval/copyright usr/share/doc/cv5320-eval/changelog.Debian.gz; do
  [ -s "$tmp/$f" ] || { echo "package.sh: $f is missing from the package" >&2; exit 1; }
done
appstreamcli validate --no-net "$tmp"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$tmp"/usr/share/applications/*.desktop

lintian --pedantic "$deb" | tee "$tmp/lintian.txt"
if grep -E '^(E|W): ' "$tmp/lintian.txt" >/dev/null; then
  echo "package.sh: lintian reports errors or warnings" >&2
  exit 1
fi
echo "$deb"
