#!/usr/bin/env bash
# Builds the Debian packages vantel and vantel-demo from this tree and leaves
# them in dist/, or the folder given (with the .changes file that lintian reads):
#   bash scripts/build-deb.sh && sudo apt install ./dist/vantel_*.deb ./dist/vantel-demo_*.deb
# The build runs in a temporary copy of the tree (its tracked and new files,
# not build folders), so neither the tree nor its builds are touched. The
# compiler cache of the development builds serves this build too.
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")/../dist}")
cd "$(dirname "$0")/.."
bash scripts/setup.sh

version=$(sed -n 's/^project(vantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
logged=$(dpkg-parsechangelog -S Version)
if [[ -z "$version" || "$version" != "$logged" ]]; then
  echo "build-deb: project() says version '$version' but debian/changelog's last entry is" \
       "'$logged'; add a changelog entry for the new version" >&2
  exit 1
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vantel-deb.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
tree=$tmp/vantel-$version
mkdir "$tree"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # Tracked files (a deleted one is skipped) and new ones not ignored.
  git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$tree" -xf -
else
  tar --exclude='./build*' --exclude=./dist --exclude=./out -cf - . | tar -C "$tree" -xf -
fi

if command -v ccache >/dev/null; then
  # debhelper gives the build a HOME of its own, so the cache is named here.
  # Paths count relative to the copy, whose name changes from run to run;
  # the map that Debian's flags add from that name to "." is left out of the
  # hash for the same reason (the objects it yields are the same).
  export VANTEL_CCACHE=1 CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_BASEDIR=$tree CCACHE_NOHASHDIR=1
  export CCACHE_IGNOREOPTIONS="-ffile-prefix-map=* -fdebug-prefix-map=*"
fi

(cd "$tree" && dpkg-buildpackage -b -us -uc -j"$(nproc)")

mkdir -p "$out"
rm -f "$out"/vantel_* "$out"/vantel-demo_* "$out"/vantel-dbgsym_*
cp "$tmp"/*.deb "$tmp"/*.changes "$tmp"/*.buildinfo "$out"/
ls -l "$out"/*.deb
