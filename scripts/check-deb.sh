#!/usr/bin/env bash
# The Debian packages as a reader gets them: builds them with
# scripts/build-deb.sh (into WORKDIR/dist, not the tree's dist/), has lintian
# judge them, installs both into a throwaway root (dpkg --root; nothing on the
# machine changes) and checks the installed files: both programs' --version,
# both manual pages, the desktop entry, the AppStream metadata, and that the
# installed player started with no options plays the installed demo to its
# title, saving in the reader's data folder.
#   bash scripts/check-deb.sh WORKDIR
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:?usage: check-deb.sh WORKDIR}
version=$(sed -n 's/^project(vantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fail() { echo "check-deb: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)
# The build's long output goes to a log; its end is shown when it fails.
bash scripts/build-deb.sh "$work/dist" >"$work/build.log" 2>&1 || {
  tail -n 40 "$work/build.log"
  fail "the packages were not built (whole log: $work/build.log)"
}
echo "check-deb: packages built in $(( $(date +%s) - start )) s"

changes=("$work"/dist/vantel_"$version"_*.changes)
[[ -f "${changes[0]}" ]] || fail "no .changes file in $work/dist"
lintian --fail-on error,warning --allow-root --tag-display-limit 0 "${changes[0]}" ||
  fail "lintian found errors or warnings"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
touch "$root/var/lib/dpkg/status"
as_root=(); [[ $(id -u) -eq 0 ]] || as_root=(fakeroot)
# Nothing the packages depend on is in the empty root.
"${as_root[@]}" dpkg --root="$root" --force-not-root --force-depends --log=/dev/null \
  -i "$work"/dist/vantel_"$version"_*.deb "$work"/dist/vantel-demo_"$version"_all.deb \
  >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg could not install the packages"; }

games=$root/usr/games
[[ "$("$games/vantel" --version)" == "vantel $version" ]] || fail "vantel --version"
[[ "$("$games/vxtool" --version)" == "vxtool $version" ]] || fail "vxtool --version"
for page in man6/vantel.6.gz man1/vxtool.1.gz; do
  out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l \
        "$root/usr/share/man/$page" 2>&1 >/dev/null) || fail "man $page failed"
  [[ -z "$out" ]] || fail "man $page warns: $out"
done
entry=$root/usr/share/applications/io.github.vantel.vantel.desktop
desktop-file-validate "$entry"
grep -qx 'Exec=/usr/games/vantel --root "/usr/share/games/vantel/demo"' "$entry" ||
  fail "the desktop entry does not play the installed demo: $(grep ^Exec= "$entry")"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.vantel.vantel.metainfo.xml"

# The player with a home of its own: no --root, and no game beside it, so it
# plays the demo installed in share/games, and saves in the home even when
# run as root.
demo=$root/usr/share/games/vantel/demo
home=$work/home
mkdir -p "$home"
isolate=(); unshare -n true 2>/dev/null && isolate=(unshare -n)
shot=$home/title.png
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME HOME="$home" SDL_VIDEODRIVER=offscreen \
  SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 \
  "${isolate[@]}" "$games/vantel" --quit-after-ms 9000 --screenshot "$shot" ||
  fail "the installed player failed"
[[ $(stat -c %s "$shot") -gt 100000 ]] || fail "the installed player did not reach the title"
[[ -s "$home/.local/share/vantel/demo/save/inf.dat" ]] ||
  fail "the settings were not saved under ~/.local/share/vantel/demo/save"
[[ ! -e "$demo/save" ]] || fail "the player wrote into the installed demo"
echo "check-deb: passed in $(( $(date +%s) - start )) s"
