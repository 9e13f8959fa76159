#!/usr/bin/env bash
# Fails when a file under src/ includes from a folder in its own layer or above:
# platform < link < widgets < sim, config < measure, demo < shell < app.
set -euo pipefail
cd "$(dirname "$0")/../src"
rank() {
  case "$1" in
    platform) echo 0 ;; link) echo 1 ;; widgets) echo 2 ;; sim|config) echo 3 ;;
    measure|demo) echo 4 ;; shell) echo 5 ;; app) echo 6 ;; *) echo -1 ;;
  esac
}
bad=0
while IFS=: read -r file line inc; do
  me="${file%%/*}"
  to="${inc%%/*}"
  [ "$me" = "$to" ] && continue
  r_me=$(rank "$me"); r_to=$(rank "$to")
  if [ "$r_to" -ge 0 ] && [ "$r_to" -ge "$r_me" ]; then
    echo "src/$file:$line includes $inc, a layer at or above its own"
    bad=1
  fi
done < <(grep -rnoE '^\s*#\s*include\s*"[a-z]+/[^"]+"' --include='*.h' --include='*.cpp' . |
         sed -E 's#^\./##; s#:\s*\#\s*include\s*"#:#; s#"$##')
[ "$bad" -eq 0 ] && echo "layers: every include points down"
exit "$bad"
