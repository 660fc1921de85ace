#!/usr/bin/env bash
# tools/debian_source.sh against a fake apt that lists three versions of a
# small real source package: the newest answers 404, the next downloads.
# Also: every version failing names them all; nothing listed fails at once.
#   tests/debian_source_test.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# A native source package "probe" at version 2.
mkdir -p "$work/pkg/probe-2/debian/source" "$work/archive" "$work/bin"
echo "3.0 (native)" >"$work/pkg/probe-2/debian/source/format"
printf 'Source: probe\nMaintainer: Nobody <nobody@example.org>\n\nPackage: probe\nArchitecture: all\nDescription: x\n x\n' \
  >"$work/pkg/probe-2/debian/control"
printf 'probe (2) unstable; urgency=low\n\n  * x\n\n -- Nobody <nobody@example.org>  Thu, 10 Dec 2026 12:00:00 +0000\n' \
  >"$work/pkg/probe-2/debian/changelog"
echo "the unpacked source" >"$work/pkg/probe-2/marker"
(cd "$work/pkg" && dpkg-source -q -b probe-2 >/dev/null 2>&1) || fail "could not make the fixture package"
cp "$work/pkg"/probe_2.* "$work/archive/"

# apt-cache lists versions 2, 10~rc1 and 1 of probe (and a package whose
# binary is called probe); apt-get downloads only version 2. PROBE_BROKEN=all
# makes every download fail.
cat >"$work/bin/apt-cache" <<'EOF'
#!/bin/sh
printf 'Package: probe\nVersion: 2\n\nPackage: other\nBinary: probe\nVersion: 99\n\nPackage: probe\nVersion: 10~rc1\n\nPackage: probe\nVersion: 1\n'
EOF
cat >"$work/bin/apt-get" <<EOF
#!/bin/sh
for a in "\$@"; do spec=\$a; done
echo "\$spec" >>"$work/asked"
if [ "\$spec" = probe=2 ] && [ -z "\${PROBE_BROKEN:-}" ]; then cp "$work/archive"/* .; exit 0; fi
echo "E: Failed to fetch http://deb.example/\${spec}.dsc  404  Not Found" >&2
exit 100
EOF
chmod +x "$work/bin/apt-cache" "$work/bin/apt-get"
export PATH="$work/bin:$PATH"
source "$here/tools/debian_source.sh"

[ "$(pelmora_source_versions probe | tr '\n' ' ')" = "10~rc1 2 1 " ] || fail "versions not newest first: $(pelmora_source_versions probe)"

said=$(pelmora_fetch_source probe "$work/out" 2>"$work/err") || fail "the listed version 2 was not used: $(cat "$work/err")"
[ "$said" = "probe: source version 2" ] || fail "did not say the version used: $said"
[ -f "$work/out/marker" ] || fail "not unpacked into the folder asked for"
grep -q "10~rc1 could not be fetched.*404" "$work/err" || fail "the failed newer version was not reported: $(cat "$work/err")"
[ "$(tr '\n' ' ' <"$work/asked")" = "probe=10~rc1 probe=2 " ] || fail "asked in the wrong order: $(cat "$work/asked")"
[ ! -e "$work/out.fetch" ] || fail "the scratch folder stayed"

if PROBE_BROKEN=all pelmora_fetch_source probe "$work/none" >/dev/null 2>"$work/err"; then fail "no version could be had, yet it succeeded"; fi
grep -qx "the source package probe could not be had in any listed version; tried: 10~rc1,2,1" "$work/err" ||
  fail "the failure does not name every version tried: $(cat "$work/err")"
[ ! -e "$work/none" ] || fail "a failed fetch left a folder"

if pelmora_fetch_source unlisted "$work/unlisted" 2>"$work/err"; then fail "an unlisted package succeeded"; fi
grep -q "no version of the source package unlisted" "$work/err" || fail "an unlisted package was not said so"
echo "newest fetchable version used; failures name the package and the versions tried"
