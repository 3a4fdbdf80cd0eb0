#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed files with the desktop's own
# validators, and runs the installed launcher for a clerk whose ledger folder does not exist yet.
# Usage: install_test.sh CMAKE BUILD_DIR VERSION
set -uo pipefail
cmake_exe=$1 build=$2 version=$3
id=rs.kovrel.Kovrel
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; run scripts/setup" >&2; exit 1; }
done

tmp=$(mktemp -d)
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
prefix=$tmp/prefix
"$cmake_exe" --install "$build" --prefix "$prefix" >"$tmp/install.log" ||
    { cat "$tmp/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

for program in kovrel kovrel-db kovrel-start; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed as a program"
done
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
icons=$prefix/share/icons/hicolor
for file in "$desktop" "$metainfo" "$icons/scalable/apps/$id.svg"; do
    [ -f "$file" ] || fail "${file#"$prefix"/} is not installed"
done
# A PNG's width and height are the big-endian words at bytes 16 and 20 of its header.
for size in 16 32 48 64 128 256; do
    png=$icons/${size}x$size/apps/$id.png
    if [ ! -f "$png" ]; then
        fail "${png#"$prefix"/} is not installed"
        continue
    fi
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$width $height" = "$size $size" ] || fail "${png#"$prefix"/} is ${width}x$height"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net --strict "$metainfo" >"$tmp/appstream.log" ||
    { cat "$tmp/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "the desktop entry starts '$exec_line', which is not installed"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

# A clerk's first start: the default ledger folder is made with an empty ledger in it, both the clerk's
# alone under the usual umask.
export HOME=$tmp/home
unset KOVREL_HOME DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
printed=$(umask 022 && timeout 30 "$prefix/bin/kovrel-start" --prepare) || fail "kovrel-start --prepare failed"
[ "$printed" = "$HOME/kovrel" ] || fail "kovrel-start --prepare printed '$printed', not $HOME/kovrel"
modes=$(stat -c %a "$HOME/kovrel" "$HOME/kovrel/Kovrel.DB" | tr '\n' ' ')
[ "$modes" = "700 600 " ] || fail "under umask 022 the ledger folder and the ledger are $modes, not 700 600"
"$prefix/bin/kovrel-db" check "$HOME/kovrel" >/dev/null || fail "the ledger made in ~/kovrel does not pass kovrel-db check"
# A folder that already holds a ledger keeps it as it is.
seeded=$tmp/seeded
mkdir -p "$seeded"
"$prefix/bin/kovrel-db" seed "$seeded" --workers 2 --rows 5 >/dev/null || fail "kovrel-db seed failed"
cp "$seeded/Kovrel.DB" "$tmp/seeded.DB"
KOVREL_HOME=$seeded timeout 30 "$prefix/bin/kovrel-start" --prepare >/dev/null || fail "kovrel-start --prepare failed on an existing ledger"
cmp -s "$seeded/Kovrel.DB" "$tmp/seeded.DB" || fail "kovrel-start changed an existing ledger"
"$prefix/bin/kovrel-start" --bogus 2>/dev/null
[ $? -eq 2 ] || fail "kovrel-start accepts an unknown option"
# Without a screen the program is not started unseen: the launcher says so and fails.
KOVREL_HOME=$seeded timeout 30 env -u QT_QPA_PLATFORM "$prefix/bin/kovrel-start" 2>"$tmp/no-display.log"
[ $? -eq 1 ] || fail "kovrel-start without a display does not end with status 1"
grep -q "no display" "$tmp/no-display.log" || fail "kovrel-start without a display does not say so"

# KOVREL_HOME chooses the folder, spaces and all; the program runs there with the ledger open.
export KOVREL_HOME="$tmp/ledger folder"
QT_QPA_PLATFORM=offscreen "$prefix/bin/kovrel-start" 2>"$tmp/program.log" &
program_pid=$!
holds_ledger() {
    [ "$(readlink "/proc/$program_pid/cwd")" = "$KOVREL_HOME" ] || return 1
    for fd in "/proc/$program_pid/fd/"*; do
        [ "$(readlink "$fd")" = "$KOVREL_HOME/Kovrel.DB" ] && return 0
    done
    return 1
}
started=false
for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    if holds_ledger; then
        started=true
        break
    fi
    sleep 0.2
done
$started || { cat "$tmp/program.log" >&2; fail "the program did not start in \$KOVREL_HOME with its ledger open"; }

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed files, desktop entry, metainfo and launcher are sound"
