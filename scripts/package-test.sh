#!/usr/bin/env bash
# Builds the Debian package in its own Release tree, checks it with lintian,
# installs it with apt and tries the installed copy as a user would: the
# self-check and a window picture from /usr/bin with a fresh HOME and no build
# tree anywhere on its paths, then a tools root missing a tool. Last, a purge
# must leave no file of the package behind, and the user's data folder in place.
# Needs root (or sudo): it installs and purges the package brisomar.
# Usage: scripts/package-test.sh [build-dir]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-package}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

fail() {
    echo "FAIL $*" >&2
    exit 1
}

"$here/scripts/deps.sh"
# gzip: the package is thrown away after the test, and xz would take minutes.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOMAR_TESTS=OFF \
    -DBRISOMAR_DEB_COMPRESSION=gzip >/dev/null
rm -f "$build"/brisomar_*.deb
cmake --build "$build" --target package
debs=("$build"/brisomar_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "the build made no single brisomar_<version>_amd64.deb"
deb="${debs[0]}"
echo "Paquete: $(basename "$deb"), $(du -h "$deb" | cut -f1)"
dpkg-deb --field "$deb" Depends

# lintian reads only the package file: it runs beside the installed copy's trials.
lintian --fail-on error,warning "$deb" >"$build/lintian.log" 2>&1 &
lint=$!

# A copy left from an earlier run would hide what this package installs.
if dpkg-query -W -f='${Status}' brisomar 2>/dev/null | grep -q installed; then
    $sudo apt-get remove --purge -y -qq brisomar >/dev/null
fi
$sudo apt-get install -y -qq "$deb" >/dev/null
mapfile -t files < <(dpkg -L brisomar)

desktop-file-validate /usr/share/applications/brisomar.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.brisomar.Brisomar.metainfo.xml >/dev/null

# The user's side: an empty home, the system's PATH only, started from that home.
home="$(mktemp -d)"
moved=""
cleanup() {
    [ -n "$moved" ] && $sudo mv -f "$moved.aside" "$moved"
    rm -rf "$home"
}
trap cleanup EXIT
as_user() {
    (cd "$home" && env -i HOME="$home" TMPDIR="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen "$@")
}

as_user /usr/bin/brisomar --self-test >"$home/self-test.log" 2>&1 || {
    cat "$home/self-test.log"
    fail "the installed copy's self-check"
}
head -n 1 "$home/self-test.log"
tail -n 3 "$home/self-test.log"
# yt-dlp run from the installed root as the program runs it takes that root's node.
root=/usr/share/brisomar/Tools
runtimes="$(as_user env PATH="$root:/usr/bin:/bin" PYTHONNOUSERSITE=1 "$root/yt-dlp-runtime/yt-dlp_linux" -v \
    --ignore-config --no-plugin-dirs --js-runtimes "node:$root/node" 2>&1 | grep "JS runtimes:" || true)"
[[ "$runtimes" == *"JS runtimes: node-"* && "$runtimes" != *unavailable* ]] ||
    fail "yt-dlp did not take the installed node: ${runtimes:-no JS runtimes line}"
echo "PASS ${runtimes#\[debug\] }"

as_user /usr/bin/brisomar --snapshot "$home/snapshot.png" >"$home/snapshot.log" 2>&1 &
app=$!
for _ in $(seq 1 100); do
    [ -s "$home/snapshot.png" ] && break
    kill -0 "$app" 2>/dev/null || break
    sleep 0.2
done
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
file "$home/snapshot.png" | grep -q "PNG image data" || {
    cat "$home/snapshot.log"
    fail "the installed copy made no window picture"
}
echo "PASS ventana: $(file -b "$home/snapshot.png")"

# A tool taken out of the installed root: the engine check's sentence, not a crash.
moved=/usr/lib/brisomar/Tools/node
$sudo mv "$moved" "$moved.aside"
status=0
as_user /usr/bin/brisomar --self-test >"$home/missing.log" 2>&1 || status=$?
$sudo mv -f "$moved.aside" "$moved"
moved=""
[ "$status" -eq 1 ] && grep -q "Falta una herramienta del motor local. Volvé a instalar Brisomar." "$home/missing.log" || {
    cat "$home/missing.log"
    fail "a missing tool ended with status $status"
}
echo "PASS sin node: Falta una herramienta del motor local. Volvé a instalar Brisomar."

wait "$lint" || {
    cat "$build/lintian.log"
    fail "lintian found errors or warnings"
}
echo "PASS lintian"
[ -d "$home/.local/share/Brisomar" ] || fail "the window run made no data folder"
$sudo apt-get remove --purge -y -qq brisomar >/dev/null
! dpkg-query -W brisomar >/dev/null 2>&1 || fail "dpkg still knows brisomar after the purge"
left=()
for f in "${files[@]}"; do
    if [ -L "$f" ] || [ -f "$f" ]; then
        left+=("$f")
    elif [ -d "$f" ] && ! dpkg-query -S "$f" >/dev/null 2>&1; then
        left+=("$f")
    fi
done
[ ${#left[@]} -eq 0 ] || fail "the purge left ${left[*]}"
[ -d "$home/.local/share/Brisomar" ] || fail "the purge took the user's data folder"
echo "PASS purga: ninguno de los ${#files[@]} caminos del paquete quedó; la carpeta de datos del usuario sigue"
