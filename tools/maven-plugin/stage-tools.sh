#!/usr/bin/env bash
# Gathers the programs the plugin jar carries into OUT, with index.properties naming each and
# its SHA-256 (the plugin unpacks them into a cache folder named by the index's hash).
# The setup engine is carried once the x64 build makes it.
#   stage-tools.sh DIST OUT
set -euo pipefail
dist=$1 out=$2
next="$out.next"
rm -rf "$next" && mkdir -p "$next"
required=("host/ruvo-pack" "x64/ruvo-pack.exe" "i686/ruvo.exe" "x64/quillrun.exe" "x64/quillrunw.exe")
optional=("x64/quillsetup.exe")
for f in "${required[@]}"; do
  [ -f "$dist/$f" ] || { echo "stage-tools: $dist/$f is missing: build every flavour first" >&2; exit 1; }
done
for f in "${required[@]}" "${optional[@]}"; do
  [ -f "$dist/$f" ] || continue
  cp "$dist/$f" "$next/"
  echo "$(basename "$f")=$(sha256sum "$dist/$f" | cut -d' ' -f1)"
done | LC_ALL=C sort > "$next/index.properties"
# The same programs: the old folder stays, and so does its time, which Maven's run depends on.
if cmp -s "$next/index.properties" "$out/index.properties"; then
  rm -rf "$next"
else
  rm -rf "$out" && mv "$next" "$out"
fi
