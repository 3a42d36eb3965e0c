#!/usr/bin/env bash
# Sizes of the shipped binaries and, from each one's link map, the object files that
# contribute most to it (code, data and read-only data; resources and import tables are
# listed as sections). The code of a program built as one unit shows as one LTO object.
#   scripts/bench/sizes.sh [TOP]      (default: the 15 largest contributors of each)
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
top="${1:-15}"

cmake --build "$build/x64" -j "${VELMORA_JOBS:-2}" --target quillrun quillrunw quillsetup ruvo-pack hostprobe >/dev/null
cmake --build "$build/i686" -j "${VELMORA_JOBS:-2}" --target ruvo ruvo-pack hostprobe >/dev/null

report() {  # binary, map
  python3 - "$1" "$2" "$top" <<'EOF'
import collections, os, re, subprocess, sys

binary, map_path, top = sys.argv[1], sys.argv[2], int(sys.argv[3])
print(f"{os.path.relpath(binary)}: {os.path.getsize(binary):,} bytes")
if not os.path.exists(map_path):
    print("  (no link map; build again to get one)")
    sys.exit(0)

# Output sections as the file holds them.
dump = subprocess.run(["objdump", "-h", binary], capture_output=True, text=True).stdout
sections = re.findall(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s", dump, re.M)
print("  sections: " + ", ".join(f"{name} {int(size, 16):,}" for name, size in sections))


def label(path):
    path = path.strip()
    m = re.match(r"(.*/)?([^/()]+\.a)\((.*)\)$", path)
    if m:
        return f"{m.group(2)}({m.group(3)})"
    if "ltrans" in path:
        return "(the program's own code, as one LTO unit)"
    return os.path.basename(path)


# Input sections in the memory map: " .text.name  0xADDR  0xSIZE  file", the name alone
# on its line when long, then address, size and file on the next.
contributions = collections.Counter()
in_map, pending = False, None
for line in open(map_path, errors="replace"):
    if line.startswith("Linker script and memory map"):
        in_map = True
        continue
    if not in_map:
        continue
    full = re.match(r"^ (\.[^\s]+|COMMON)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+)$", line)
    cont = re.match(r"^\s{16,}0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+)$", line)
    if full:
        section, size, path = full.group(1), int(full.group(3), 16), full.group(4)
    elif cont and pending:
        section, size, path = pending, int(cont.group(2), 16), cont.group(3)
    else:
        alone = re.match(r"^ (\.[^\s]+|COMMON)\s*$", line)
        pending = alone.group(1) if alone else None
        continue
    pending = None
    if size == 0 or section.startswith((".debug", ".idata", ".rsrc", ".reloc")):
        continue
    contributions[label(path)] += size

for name, size in contributions.most_common(top):
    print(f"  {size:>9,}  {name}")
print()
EOF
}

report "$dist/x64/quillrun.exe" "$build/x64/quillrun.map"
report "$dist/x64/quillrunw.exe" "$build/x64/quillrunw.map"
report "$dist/x64/quillsetup.exe" "$build/x64/quillsetup.map"
report "$dist/i686/ruvo.exe" "$build/i686/ruvo.map"
report "$dist/x64/ruvo-pack.exe" "$build/x64/ruvo-pack.map"
report "$dist/x64/Hostprobe.dll" "$build/x64/Hostprobe.map"
report "$dist/i686/Hostprobe.dll" "$build/i686/Hostprobe.map"
