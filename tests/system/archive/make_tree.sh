# Sourced by the archive and packer system tests: builds an installer-like tree of mixed
# content with fixed stamps in the folder "$1".
make_tree() {
  local root=$1
  mkdir -p "$root/Windows/resource/jre/lib" "$root/InstallerData/deep/a/b" "$root/Windows_Extra"
  { printf 'MZ'; head -c 30000 /dev/urandom; } > "$root/Windows/setup.exe"
  printf 'kiv.nl.java.launcher.main.class=com.example.Main\n' > "$root/Windows/setup.kiv"
  head -c 300000 /dev/urandom > "$root/Windows/resource/jre/lib/random.bin"
  seq 1 60000 > "$root/InstallerData/numbers.txt"
  : > "$root/InstallerData/empty.txt"
  printf 'accented\n' > "$root/InstallerData/r$(printf '\xc3\xa9')sum$(printf '\xc3\xa9') $(printf '\xc3\xbc').txt"
  printf 'deep\n' > "$root/InstallerData/deep/a/b/c.txt"
  head -c 5000 /dev/urandom | od -An -tx1 > "$root/Windows_Extra/hex.txt"
  printf 'read only\n' > "$root/InstallerData/readonly.txt"
  # Even seconds: ZIP stamps have a two-second resolution.
  find "$root" -type f -exec touch -d '2021-06-15 10:20:30' {} +
  touch -d '2019-01-02 03:04:06' "$root/InstallerData/numbers.txt"
  chmod 444 "$root/InstallerData/readonly.txt"
}

# Windows path of a Linux path, for programs run under Wine.
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

# Same content and, for every file, the same stamp (ZIP keeps two-second steps).
same_tree() {
  local want=$1 got=$2
  diff -r "$want" "$got" >/dev/null || { diff -rq "$want" "$got" | head -5; return 1; }
  local f a b
  while IFS= read -r -d '' f; do
    a=$(stat -c %Y "$want/$f"); b=$(stat -c %Y "$got/$f")
    if [ $((a - b)) -gt 2 ] || [ $((b - a)) -gt 2 ]; then echo "stamp of $f: $a vs $b"; return 1; fi
  done < <(cd "$want" && find . -type f -print0)
}
