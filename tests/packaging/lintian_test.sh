#!/usr/bin/env bash
# Builds the Debian package from the build tree as scripts/package does (CPack), into a temporary folder,
# and runs lintian on it with its pedantic checks: any error or warning fails, and so does any note that
# the programs lack the hardening Debian builds its own with; each is printed.
# Usage: lintian_test.sh CPACK BUILD_DIR
set -uo pipefail
cpack_exe=$1 build=$2
command -v lintian >/dev/null || { echo "FAIL: lintian is missing; run scripts/setup" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$cpack_exe" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
deb=$(find "$tmp" -maxdepth 1 -name 'kovrel_*.deb' | head -n 1)
[ -n "$deb" ] || { cat "$tmp/cpack.log" >&2; echo "FAIL: cpack made no .deb" >&2; exit 1; }
# lintian refuses nothing as root, but says it runs as root; that note is no finding.
lintian --pedantic --no-tag-display-limit "$deb" >"$tmp/lintian.log" 2>&1
cat "$tmp/lintian.log"
if grep -E '^[EW]: ' "$tmp/lintian.log" >/dev/null; then
    echo "FAIL: lintian finds errors or warnings in $(basename "$deb")" >&2
    exit 1
fi
if grep -E '^[A-Z]: [^ ]+: hardening-' "$tmp/lintian.log" >/dev/null; then
    echo "FAIL: lintian finds programs in $(basename "$deb") built without Debian's hardening" >&2
    exit 1
fi
echo "lintian: no errors or warnings in $(basename "$deb")"
