#!/usr/bin/env bash
# Installs what the build and tests need on Debian 12 and builds the cross-compiled
# third-party libraries (minizip, GoogleTest). Idempotent and quick when already done.
#
# Besides packages, it changes the machine in these ways (each only when missing):
#  - an apt entry of its own for source packages (velmora-src), copied from the machine's
#    configured Debian sources with only the type changed;
#  - the i386 architecture for dpkg (Wine's 32-bit half, which runs the shipped 32-bit builds);
#  - only when the kernel cannot run 32-bit programs: a bookworm-backports entry derived the
#    same way (velmora-backports), qemu-user from it, and a binfmt_misc entry that sends 32-bit
#    x86 ELF programs to qemu-i386 (the kernel forgets it at reboot; setup registers it again).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build make pkg-config ccache
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  libz-mingw-w64-dev
  googletest
  xvfb xauth imagemagick
  # The fonts Wine shows the dialogs in: DejaVu Sans (Latin, Greek, Cyrillic, Hebrew, Arabic),
  # WenQuanYi Micro Hei (Chinese, Japanese, Korean, with Latin letters, which Droid Sans Fallback
  # lacks) and Loma (Thai).
  fonts-dejavu-core fonts-wqy-microhei fonts-tlwg-loma-ttf
  python3 python3-pyftpdlib openssl osslsigncode
  openjdk-17-jdk-headless
  dpkg-dev
  zip unzip p7zip-full time
  # wrestool reads the packer's resources independently; Ant is a real third-party Java program.
  icoutils ant
  # lnkinfo reads the setup engine's shortcuts independently of the shell's link objects.
  liblnk-utils
  # Maven offline, with Debian's repository as its only one: the kit's Maven plugin, its sample,
  # the exec plugin's snippet; Gradle for the Exec task's snippet.
  maven libmaven3-core-java libmaven-plugin-tools-java libmaven-compiler-plugin-java
  libmaven-resources-plugin-java libmaven-jar-plugin-java libmaven-install-plugin-java
  libmaven-clean-plugin-java libsurefire-java junit4 libexec-maven-plugin-java libcommons-lang3-java
  gradle
  clang libclang-rt-14-dev clang-tidy cppcheck zlib1g-dev
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Prints the machine's own Debian entry for the release (deb822 stanza), with Types and Suites
# replaced. Nothing but the type and suite is ours: URIs, components and signing key are copied.
derive_entry() {  # types, suites
  local types=$1 suites=$2 files=()
  for f in /etc/apt/sources.list.d/*.sources; do [ -f "$f" ] && files+=("$f"); done
  if [ ${#files[@]} -gt 0 ]; then
    awk -v types="$types" -v suites="$suites" '
      function flush() {
        if (is_deb && has_release && uris != "" && !done) {
          print "Types: " types; print "URIs: " uris; print "Suites: " suites
          print "Components: " comps
          if (signed != "") print "Signed-By: " signed
          done = 1
        }
        is_deb = 0; has_release = 0; uris = ""; comps = ""; signed = ""
      }
      FNR == 1 { flush() }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { is_deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { if ($0 ~ /[[:space:]]bookworm([[:space:]]|$)/) has_release = 1 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      END { flush() }' "${files[@]}"
  fi
  # One-line sources.list format, when no deb822 entry matched.
  if [ -f /etc/apt/sources.list ]; then
    awk -v types="$types" -v suites="$suites" '
      $1 == "deb" && $0 ~ /[[:space:]]bookworm[[:space:]]/ && !done {
        opts = ""; i = 2
        if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts $i " "; i++ } opts = opts $i " "; i++ }
        comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps " " $j
        # This format takes one suite a line.
        n = split(suites, each, " ")
        for (k = 1; k <= n; k++) print types " " opts $i " " each[k] comps
        done = 1 }' /etc/apt/sources.list
  fi
}

# Writes an apt entry derived from the machine's sources; returns 0 when the file changed.
write_entry() {  # file, types, suites
  local file=$1 text
  text=$(derive_entry "$2" "$3" | awk 'NR == 1 { deb822 = /^Types:/ } deb822 && /^(deb|deb-src) / { exit } { print }')
  [ -n "$text" ] || { echo "setup: no Debian bookworm entry in the apt sources to derive $1 from" >&2; exit 1; }
  case "$text" in Types:*) file="$file.sources" ;; *) file="$file.list" ;; esac
  if [ -f "$file" ] && [ "$(cat "$file")" = "$text" ]; then return 1; fi
  printf '%s\n' "$text" > "$file"
  return 0
}

need_update=0
write_entry /etc/apt/sources.list.d/velmora-src deb-src "bookworm bookworm-updates" && need_update=1
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p")
done
# Wine without its recommends; the 32-bit half runs the shipped i686 builds.
installed wine64 || missing_wine=1
installed wine32:i386 || missing_wine=1

if [ ${#missing[@]} -gt 0 ] || [ "${missing_wine:-0}" = 1 ] || [ "$need_update" = 1 ]; then
  apt-get update -qq
  [ ${#missing[@]} -gt 0 ] && apt-get install -y -qq "${missing[@]}" >/dev/null
  [ "${missing_wine:-0}" = 1 ] && apt-get install -y -qq --no-install-recommends wine64 wine32:i386 >/dev/null
fi

# Can this machine run 32-bit x86 programs? The i386 loader (from wine32's libc6:i386) is a
# 32-bit program itself.
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if ! runs_32bit; then
  # No IA32 emulation in the kernel: translate with qemu-user from backports (bookworm's 7.2
  # needs about a minute per Wine process). It conflicts with qemu-user-static 7.2. Its
  # recommended binfmt package is of no use here: it leaves i386 out on x86-64 machines.
  if write_entry /etc/apt/sources.list.d/velmora-backports deb bookworm-backports; then apt-get update -qq; fi
  if installed qemu-user-static; then apt-get remove -y -qq qemu-user-static >/dev/null; fi
  if ! installed qemu-user || ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user)" ge 1:8; then
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" ||
    echo "setup: cannot mount binfmt_misc at $binfmt" >&2
  # An entry of that name that does not work (say, for an interpreter since removed) goes first.
  if [ -f "$binfmt/qemu-i386" ]; then echo -1 > "$binfmt/qemu-i386" || true; fi
  if [ -f "$binfmt/register" ]; then
    # Flag F: the translator is opened now, so it also works inside other mount namespaces.
    # The kernel itself decodes the \x escapes, so they are written as they stand.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
      > "$binfmt/register" || echo "setup: cannot register qemu-i386 with binfmt_misc" >&2
  fi
  runs_32bit || echo "setup: 32-bit programs still cannot run; the i686 tests will fail" >&2
fi

"$here/scripts/build-thirdparty.sh"
