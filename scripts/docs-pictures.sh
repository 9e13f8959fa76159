#!/usr/bin/env bash
# Refreshes every picture README.md and docs/*.md show (their ![..](..png)
# links into docs/) from the program's own --render (simulated board, no
# display needed). Run after changing a window.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$here/build/bin"
[ -x "$bin/cv5320-eval" ] || "$here/scripts/setup.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$bin/cv5320-eval" --render "$tmp" >/dev/null
mkdir -p "$here/docs"
pictures="$(cd "$here" && grep -ho '!\[[^]]*\]([^)]*\.png)' README.md docs/*.md |
            sed 's/.*(\(.*\))/\1/; s|.*/||' | sort -u)"
for picture in $pictures; do
  if [ ! -f "$tmp/$picture" ]; then
    echo "docs-pictures.sh: the docs show $picture, which --render does not make" >&2
    exit 1
  fi
  cp "$tmp/$picture" "$here/docs/$picture"
  echo "docs/$picture"
done
