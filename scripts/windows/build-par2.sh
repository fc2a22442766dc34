#!/usr/bin/env bash
# Cross-builds par2cmdline as <build-dir>/tools/phpar2.exe, the PAR2 tool the Windows program
# runs: linked statically (its OpenMP threads included), so it ships as the one exe. Beside it
# go par2cmdline's licence (phpar2-COPYING.txt) and what was built from where (phpar2.info).
# The source comes from the first of:
#   1. KELVORA_PAR2_SOURCE: a par2cmdline source folder or tarball of your own;
#   2. Debian's par2cmdline source package, from the machine's apt mirrors;
#   3. par2cmdline's release $release from GitHub (online only), checked against its commit.
# Downloads and unpacked sources stay in <build-dir>/par2cmdline; a built phpar2.exe is reused
# unless KELVORA_PAR2_SOURCE names another source than the one it was built from.
# Usage: build-par2.sh [build-dir]
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=$(absolute_build "${1:-build-windows}")

release=1.3.0
release_commit=d2b577072064d128342688604464b9a77a52324e  # the commit tag v1.3.0 names
release_url=https://github.com/Parchive/par2cmdline/archive/refs/tags/v$release.tar.gz

tools=$build/tools
out=$tools/phpar2.exe
info=$tools/phpar2.info
cache=$build/par2cmdline
given=${KELVORA_PAR2_SOURCE:-}
if [ -n "$given" ]; then
  [ -e "$given" ] || { echo "KELVORA_PAR2_SOURCE names nothing: $given" >&2; exit 1; }
  given=$(realpath "$given")
fi

if [ -f "$out" ] && [ -f "$info" ]; then
  if [ -z "$given" ] || grep -qxF "origin=$given" "$info"; then
    exit 0
  fi
fi

"$here/install-deps.sh"
mkdir -p "$build/logs" "$tools" "$cache"
log=$build/logs/par2.log
: > "$log"

# Unpacks a tarball into the cache; prints the folder it holds.
unpack() {
  local dest=$cache/unpacked
  rm -rf "$dest"; mkdir -p "$dest"
  tar -xf "$1" -C "$dest" || { echo "$1 is not a tarball tar can read." >&2; return 1; }
  local top=("$dest"/*)
  [ ${#top[@]} -eq 1 ] && [ -d "${top[0]}" ] || { echo "$1 does not hold one top folder." >&2; return 1; }
  echo "${top[0]}"
}

# The commit a tarball made by git archive (GitHub's among them) names, else nothing.
tar_commit() {
  case $1 in
    *.gz | *.tgz) gzip -dc "$1" ;; *.bz2) bzip2 -dc "$1" ;; *.xz) xz -dc "$1" ;; *) cat "$1" ;;
  esac 2>/dev/null | git get-tar-commit-id 2>/dev/null || true
}

commit=""
if [ -n "$given" ]; then
  origin=$given
  if [ -d "$given" ]; then
    src=$given
  else
    src=$(unpack "$given")
    commit=$(tar_commit "$given")
  fi
elif src=$("$here/fetch-source.sh" "$build" par2cmdline 2>>"$log"); then
  origin="Debian source package $(basename "$src")"
else
  echo "Debian's par2cmdline source could not be fetched (see $log); trying par2cmdline $release from GitHub." >&2
  tarball=$cache/par2cmdline-$release.tar.gz
  if [ ! -f "$tarball" ]; then
    curl -fsSL --connect-timeout 20 --max-time 300 -o "$tarball.part" "$release_url" 2>>"$log" || {
      rm -f "$tarball.part"
      echo "$release_url could not be downloaded (offline?): no phpar2.exe was built." >&2
      echo "Set KELVORA_PAR2_SOURCE to a par2cmdline source folder or tarball to build one." >&2
      exit 1
    }
    mv "$tarball.part" "$tarball"
  fi
  commit=$(tar_commit "$tarball")
  if [ "$commit" != "$release_commit" ]; then
    echo "$release_url holds commit '${commit:-none}', not v$release's $release_commit: not built." >&2
    rm -f "$tarball"
    exit 1
  fi
  origin=$release_url
  src=$(unpack "$tarball")
fi

if [ ! -f "$src/src/par2cmdline.cpp" ] || [ ! -f "$src/COPYING" ]; then
  echo "$src is no par2cmdline source (no src/par2cmdline.cpp or COPYING): no phpar2.exe was built." >&2
  exit 1
fi
version=$(sed -n 's/^AC_INIT(\[par2cmdline\], *\[\([^]]*\)\].*/\1/p' "$src/configure.ac" 2>/dev/null | head -n1)
[ -n "$version" ] || version=$(sed -n "s/^PACKAGE_VERSION='\(.*\)'/\1/p" "$src/configure" 2>/dev/null | head -n1)
[ -n "$version" ] || version=unknown

echo "Building phpar2.exe from par2cmdline $version (log: $log)"
obj=$build/par2-build
rm -rf "$obj"
cp -a "$src" "$obj"
rm -f "$out" "$info"
# -static takes libgomp, winpthread and the C++ runtime in too: no DLL ships beside it.
compile() {
  cd "$obj" &&
  { [ -x configure ] || autoreconf -fi; } &&
  ./configure --host=x86_64-w64-mingw32 \
    CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
    AR=x86_64-w64-mingw32-gcc-ar-posix RANLIB=x86_64-w64-mingw32-gcc-ranlib-posix \
    CXXFLAGS="-O2" LDFLAGS="-static" &&
  make -j"$(nproc)" &&
  x86_64-w64-mingw32-strip par2.exe
}
(compile) >> "$log" 2>&1 || { tail -n 30 "$log" >&2; echo "par2cmdline $version did not build: no phpar2.exe." >&2; exit 1; }

# Only Windows' own DLLs may be imported; one that comes from mingw would be missing on Windows.
for dll in $(x86_64-w64-mingw32-objdump -p "$obj/par2.exe" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  for d in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
    if [ -n "$(find "$d" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
      echo "The built par2.exe needs $dll, which Windows lacks: no phpar2.exe." >&2
      exit 1
    fi
  done
done

# It must run and do its job under wine before it is taken: a small set made, one file damaged,
# repaired byte for byte.
check=$cache/check
rm -rf "$check"; mkdir -p "$check"
head -c 300000 /dev/urandom > "$check/data.bin"
cp "$check/data.bin" "$check/data.orig"
run() { (cd "$check" && "$here/wine.sh" "$build" "$obj/par2.exe" "$@") >> "$log" 2>&1; }
if ! { run -V && grep -q "version $version" "$log" &&
       run create -q -s4000 -r10 data.par2 data.bin && run verify -q data.par2 &&
       printf 'damaged' | dd of="$check/data.bin" bs=1 seek=100000 conv=notrunc status=none &&
       ! run verify -q data.par2 && run repair -q data.par2 && cmp -s "$check/data.bin" "$check/data.orig"; }; then
  tail -n 20 "$log" >&2
  echo "The built par2.exe failed to make, verify or repair a small set under wine: no phpar2.exe." >&2
  exit 1
fi
rm -rf "$check"

cp "$obj/par2.exe" "$out"
# Notepad of older Windows shows only CRLF line ends as line ends.
sed 's/\r*$/\r/' "$src/COPYING" > "$tools/phpar2-COPYING.txt"
{
  echo "version=$version"
  echo "origin=$origin"
  echo "commit=$commit"
} > "$info"
echo "phpar2.exe (par2cmdline $version, from $origin) is in $tools"
