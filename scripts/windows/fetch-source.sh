#!/usr/bin/env bash
# Fetches and unpacks a Debian source package without touching the machine's apt setup: a
# private deb-src list (same mirrors as the machine's) and a private apt state under the build
# folder. Prints the unpacked source folder.
# Usage: fetch-source.sh [build-dir] <source-package> [version]
# Without a version the listed ones are tried newest first, since an archive can list a version
# its pool no longer has.
set -euo pipefail

. "$(dirname "$0")/common.sh"
if [ $# -ge 2 ]; then build=$1; pkg=$2; else build=build-windows; pkg=${1:?source package}; fi
want=${3:-}
build=$(absolute_build "$build")

apt_dir=$build/apt
src_dir=$build/src
mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial" "$src_dir"

stamp=$src_dir/$pkg.unpacked
if [ -f "$stamp" ] && [ -d "$(cat "$stamp")" ]; then
  if [ -z "$want" ] || [ "$(cat "$stamp")" = "$src_dir/$pkg-${want#*:}" ]; then
    cat "$stamp"
    exit 0
  fi
fi

# deb-src lines for the mirrors the machine already uses, from both apt list formats.
list=$apt_dir/sources.list
{
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && uris != "")
          for (i = 1; i <= split(uris, u, " "); i++)
            for (j = 1; j <= split(suites, s, " "); j++)
              printf "deb-src%s %s %s %s\n", (key != "" ? " [signed-by=" key "]" : ""), u[i], s[j], comps
        types = uris = suites = comps = key = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      { v = $0; sub(/^[^:]*:[ \t]*/, "", v) }
      /^Types:/ { types = v } /^URIs:/ { uris = v } /^Suites:/ { suites = v }
      /^Components:/ { comps = v } /^Signed-By:/ { key = v }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[ \t]*deb[ \t]/deb-src /p' "$f"
  done
} | sort -u > "$list.new"
mv "$list.new" "$list"
if [ ! -s "$list" ]; then
  echo "No apt mirror found in /etc/apt to fetch sources from." >&2
  exit 1
fi

apt_opts=(
  -o Dir::Etc::SourceList="$list" -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State="$apt_dir/state" -o Dir::Cache="$apt_dir/cache"
)
# As root apt downloads as _apt, who may not be able to write under the build folder.
[ "$(id -u)" -eq 0 ] && apt_opts+=(-o APT::Sandbox::User=root)

# The lists are refreshed once a day at most.
if [ -z "$(find "$apt_dir/state/lists" -maxdepth 1 -name '*Sources*' -mtime -1 -print -quit)" ]; then
  apt-get "${apt_opts[@]}" -qq update >&2
fi

listed=$(apt-cache "${apt_opts[@]}" showsrc "$pkg" | awk -v p="$pkg" '
  /^Package:/ { cur = $2 } /^Version:/ && cur == p { print $2 }' | sort -u | sort -rV)
if [ -z "$listed" ]; then
  echo "The archive lists no source package '$pkg'." >&2
  exit 1
fi
versions=$listed
if [ -n "$want" ]; then
  if ! grep -qxF "$want" <<<"$listed"; then
    echo "The archive lists $pkg only as: $(echo $listed)" >&2
    exit 1
  fi
  versions=$want
fi

work=$src_dir/$pkg.download
for v in $versions; do
  rm -rf "$work"; mkdir -p "$work"
  echo "Fetching $pkg $v" >&2
  if (cd "$work" && apt-get "${apt_opts[@]}" -qq source --download-only "$pkg=$v" >&2); then
    dsc=$(ls "$work"/*.dsc | head -n1)
    dest=$src_dir/$pkg-${v#*:}
    rm -rf "$dest"
    dpkg-source --no-copy -x "$dsc" "$dest" >&2
    echo "$dest" > "$stamp"
    echo "$dest"
    exit 0
  fi
  echo "Fetching $pkg $v failed; trying an older version." >&2
done
echo "No listed version of '$pkg' could be fetched." >&2
exit 1
