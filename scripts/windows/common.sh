# Sourced by the Windows build scripts: where the scripts are, the project's root, and a build
# folder given relative to that root made absolute.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
absolute_build() { case $1 in /*) echo "$1" ;; *) echo "$root/$1" ;; esac; }
