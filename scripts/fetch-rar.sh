#!/usr/bin/env bash
# Fetches Debian's `rar` package (RARLAB's command-line archiver, in the non-free component) from
# the package archive this machine already uses, and unpacks it under <build>/rar-archiver.
# The machine's apt configuration is left alone: a private sources list and private state live
# under the build folder. Cached: a second run only reports what is there. Offline, it says so
# once and ends well, so the build goes on without the archiver.
#
#   scripts/fetch-rar.sh <build-dir>
set -uo pipefail

build="${1:?usage: fetch-rar.sh <build-dir>}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
target="$build/rar-archiver"
binary="$target/usr/bin/rar"
licence="$target/usr/share/doc/rar/license.txt"

report() {
  echo "Note: $binary is RARLAB's archiver, trial-licensed shareware from Debian's non-free component; its licence: $licence"
}
unavailable() {
  echo "Note: Debian's rar package could not be fetched ($1). Without a 'rar' of your own on PATH or beside the program, Start says that the archiver is not found, and the RealArchiver tests are skipped." >&2
  exit 0
}

if [ -x "$binary" ]; then
  report
  exit 0
fi

for tool in apt-get apt-config dpkg-deb; do
  command -v "$tool" >/dev/null || unavailable "$tool is missing"
done

# The machine's sources, wherever its apt configuration keeps them.
eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
codename="$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")"
files=()
[ -n "${sourcelist:-}" ] && [ -f "$sourcelist" ] && files+=("$sourcelist")
if [ -n "${sourceparts:-}" ] && [ -d "$sourceparts" ]; then
  for f in "$sourceparts"/*.list "$sourceparts"/*.sources; do [ -f "$f" ] && files+=("$f"); done
fi
[ ${#files[@]} -gt 0 ] || unavailable "this machine has no apt sources"

state="$build/rar-fetch"
rm -rf "$state"
mkdir -p "$state/sources.d" "$state/lists/partial" "$state/cache/archives/partial" "$state/preferences.d"
: >"$state/status"
: >"$state/sources.list"

# One deb822 entry for the non-free component of the release's own suite (not -security,
# -updates or -backports), from the first source that names it. Both formats are read: one-line
# "deb [options] URI suite components" and deb822 paragraphs (whose Signed-By may be an inline
# key spanning several lines; it is copied as it stands).
awk -v codename="$codename" '
  function emit(uri, suite, signed) {
    if (uri ~ /^cdrom:/) return
    if (codename != "" ? suite != codename : suite ~ /[-\/]/) return
    if (found) return
    found = 1
    print "Types: deb"
    print "URIs: " uri
    print "Suites: " suite
    print "Components: non-free"
    if (signed != "") print "Signed-By:" signed
  }
  function flush(   n, u, s, i, j, us, ss) {
    if (para && types ~ /(^| )deb( |$)/ && tolower(enabled) != "no") {
      n = split(uris, us, " ")
      u = split(suites, ss, " ")
      for (i = 1; i <= n; i++) for (j = 1; j <= u; j++) emit(us[i], ss[j], signed)
    }
    para = 0; types = ""; uris = ""; suites = ""; signed = ""; enabled = ""; field = ""
  }
  FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
  deb822 {
    if ($0 ~ /^#/) next
    if ($0 ~ /^[ \t]*$/) { flush(); next }
    if ($0 ~ /^[ \t]/) { if (field == "signed-by") signed = signed "\n" $0; next }
    para = 1
    key = tolower(substr($0, 1, index($0, ":") - 1)); value = substr($0, index($0, ":") + 1)
    field = key
    v = value; gsub(/^[ \t]+|[ \t]+$/, "", v)
    if (key == "types") types = v
    else if (key == "uris") uris = v
    else if (key == "suites") suites = v
    else if (key == "enabled") enabled = v
    else if (key == "signed-by") signed = value
    next
  }
  {
    sub(/#.*/, "")
    n = split($0, t, /[ \t]+/)
    i = 1
    if (t[i] == "") i++
    if (t[i] != "deb") next
    i++
    s = ""
    if (substr(t[i], 1, 1) == "[") {
      opts = ""
      while (i <= n) { opts = opts " " t[i]; if (t[i] ~ /\]$/) break; i++ }
      i++
      if (match(opts, /signed-by=[^] ]+/)) s = " " substr(opts, RSTART + 10, RLENGTH - 10)
    }
    emit(t[i], t[i + 1], s)
  }
  END { flush() }
' "${files[@]}" >"$state/sources.d/debian-non-free.sources"
[ -s "$state/sources.d/debian-non-free.sources" ] || unavailable "no Debian release archive among this machine's apt sources"

apt_private=(
  -o "Dir::Etc::sourcelist=$state/sources.list"
  -o "Dir::Etc::sourceparts=$state/sources.d"
  -o "Dir::Etc::preferences=$state/preferences"
  -o "Dir::Etc::preferencesparts=$state/preferences.d"
  -o "Dir::State::lists=$state/lists"
  -o "Dir::State::status=$state/status"
  -o "Dir::Cache=$state/cache"
  -o "Debug::NoLocking=1"
  -o "Acquire::Retries=0"
  -o "Acquire::http::Timeout=30"
  -o "Acquire::https::Timeout=30"
)
# As root apt downloads as its own user, who may not reach the build folder.
[ "$(id -u)" -eq 0 ] && apt_private+=(-o "APT::Sandbox::User=root")

echo "Fetching Debian's rar package (non-free) for the archiver..."
# apt-get update ends well even when nothing could be fetched; its warnings tell.
if ! apt-get -qq "${apt_private[@]}" update >"$state/update.log" 2>&1 || grep -q '^[WE]: Failed to fetch' "$state/update.log"; then
  unavailable "the package archive cannot be reached; see $state/update.log"
fi
if ! (cd "$state" && apt-get -qq "${apt_private[@]}" download rar) >"$state/download.log" 2>&1; then
  unavailable "$(tail -n 1 "$state/download.log")"
fi
deb="$(ls "$state"/rar_*.deb 2>/dev/null | head -n 1)"
[ -n "$deb" ] || unavailable "the download left no package"

rm -rf "$target.new"
dpkg-deb -x "$deb" "$target.new" || unavailable "the package could not be unpacked"
[ -x "$target.new/usr/bin/rar" ] || unavailable "the package holds no usr/bin/rar"
rm -rf "$target"
mv "$target.new" "$target"
report
