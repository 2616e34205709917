#!/usr/bin/env bash
# Checks a built velkora_<version>_<arch>.deb without installing it: its control fields and
# dependencies (dpkg-deb -I), its files (dpkg-deb -c), run paths relative to $ORIGIN with every
# library found, the manual page and the menu entry, and the packaged program run from an
# unpacked copy: --version, and "velkora test 0001" on a new database without any display.
#   packaging/check-package.sh velkora_1.0_amd64.deb
set -euo pipefail

deb=${1:?usage: $0 velkora_<version>_<arch>.deb}
failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

field() { dpkg-deb -f "$deb" "$1"; }
echo "== $(basename "$deb")"
dpkg-deb -I "$deb"

[ "$(field Package)" = velkora ] || fail "Package is $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
version=$(field Version)
[ "$(basename "$deb")" = "velkora_${version}_$(field Architecture).deb" ] ||
    fail "the file name does not follow velkora_<version>_<arch>.deb"

# Dependencies by Debian package name: each name must appear as a whole in its field.
has() { # field package
    tr ',|' '\n\n' <<<"$(field "$1")" | sed 's/(.*//; s/ //g' | grep -qx "$2" ||
        fail "$1 lacks $2"
}
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 \
    libqt6sql6-sqlite qt6-qpa-plugins; do
    has Depends "$p"
done
for p in libqt6sql6-psql libqt6sql6-odbc tdsodbc; do
    has Recommends "$p"
done
# Every dependency must be a package apt knows (a typo would make the package uninstallable).
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g')
if ! apt-cache show --no-all-versions $depends >/dev/null 2>&1; then
    for p in $depends; do
        apt-cache show --no-all-versions "$p" >/dev/null 2>&1 || fail "unknown dependency $p"
    done
fi

echo "== contents"
contents=$(dpkg-deb -c "$deb")
echo "$contents"
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for f in usr/bin/velkora \
    "usr/lib/$arch/velkora/plugins/libKESTA.so" \
    usr/share/velkora/db/sqlite.sql usr/share/velkora/db/postgresql.sql \
    usr/share/velkora/db/sqlserver.sql usr/share/velkora/sample/extracto_0001.txt \
    usr/share/applications/velkora.desktop usr/share/icons/hicolor/scalable/apps/velkora.svg \
    usr/share/man/man1/velkora.1.gz; do
    grep -q " \./$f\$" <<<"$contents" || fail "missing /$f"
done
grep -v ' \./usr/' <<<"$contents" | grep -v ' \./$' | sed 's/^/outside \/usr: /' | grep . >&2 &&
    fail "files outside /usr"
grep -v ' root/root ' <<<"$contents" | grep . >&2 && fail "files not owned by root"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked/root"
root=$unpacked/root

# Run paths: relative to $ORIGIN only, and every needed library found from the unpacked tree.
while IFS= read -r -d '' file; do
    head -c 4 "$file" | grep -q 'ELF' || continue
    runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p; s/.*(RPATH).*\[\(.*\)\]/\1/p')
    tr ':' '\n' <<<"$runpath" | grep -v '^\$ORIGIN' | grep . >/dev/null &&
        fail "${file#"$root"} has the run path $runpath"
    env -u LD_LIBRARY_PATH ldd "$file" | grep 'not found' | sed "s|^|${file#"$root"}: |" >&2 &&
        fail "${file#"$root"} needs libraries that are not found"
done < <(find "$root" -type f -print0)

# The manual page formats without warnings; the menu entry is valid and names the screen.
zcat "$root/usr/share/man/man1/velkora.1.gz" | groff -man -Tutf8 -ww -z 2>&1 | grep . >&2 &&
    fail "the manual page has warnings"
desktop=$root/usr/share/applications/velkora.desktop
grep -qx 'Name=Velkora — Formatos de carga' "$desktop" || fail "the menu entry's name"
grep -qx 'Exec=velkora' "$desktop" || fail "the menu entry's command"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi

# The packaged program itself, unpacked: its version is the package's, and it tests the sample.
home=$unpacked/home
mkdir -p "$home"
run() {
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=no-such-platform \
        "$root/usr/bin/velkora" "$@"
}
[ "$(run --version)" = "velkora $version" ] || fail "velkora --version says '$(run --version)'"
if ! out=$(run test 0001 2>&1); then
    fail "velkora test 0001 failed: $out"
fi
if ! out=$(run test 0001 "$root/usr/share/velkora/sample/extracto_0001.txt" --json 2>&1); then
    fail "velkora test 0001 on the packaged sample failed: $out"
fi

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures problem(s) in $deb" >&2
    exit 1
fi
echo "check-package: $(basename "$deb") is complete ($(du -h "$deb" | cut -f1))"
