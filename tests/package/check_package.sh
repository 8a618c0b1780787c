#!/usr/bin/env bash
# Packs the build tree into a scratch folder and checks the package as apt and a desktop will
# see it: its Depends, its files, lintian's verdict and the AppStream metadata. Of the build
# tree cpack writes only install_manifest.txt, as every install does (hence the test's
# resource lock); the package and its staging stay in the scratch folder.
# check_package.sh CPACK BUILD_DIR VERSION
set -uo pipefail
cpack=$1 build=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
deb="$scratch/out/vesk_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$scratch/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }
ok "$(basename "$deb")"

# Depends: the Qt 6 libraries the programs link, what the window loads by name (the platform
# plugins, the Japanese font) and the cross tools that the toolchain's programs start.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(tr ',' '\n' <<< "$depends" | sed 's/^ *//; s/ .*//; s/:any$//')
named() { grep -Fxq -- "$1" <<< "$names"; }
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libc6 \
         libstdc++6 binutils-h8300-hms gcc-h8300-hms fonts-ipafont-gothic; do
    named "$p" || fail "Depends does not name $p"
done
for field in Maintainer Section Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
# Every library a packaged program needs comes from a package that Depends names.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
while IFS= read -r elf; do
    for lib in $(objdump -p "$elf" | awk '$1 == "NEEDED" { print $2 }'); do
        path=$(ldconfig -p | awk -v l="$lib" -v m="/$multiarch/" '$1 == l && index($NF, m) { print $NF; exit }')
        # dpkg knows a library by the path its package ships, with or without the /usr merge.
        owner=
        if [ -n "$path" ]; then
            owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null)
            owner=$(head -1 <<< "$owner" | cut -d: -f1)
        fi
        if [ -z "$owner" ]; then
            fail "${elf#"$root"} needs $lib, which no installed package holds"
        elif ! named "$owner"; then
            fail "${elf#"$root"} needs $lib from $owner, which Depends does not name"
        fi
    done
    if readelf -d "$elf" | grep -Eq '\((RPATH|RUNPATH)\)'; then
        fail "${elf#"$root"} carries an rpath"
    fi
    if readelf -S "$elf" | grep -Eq ' \.(symtab|debug_info) '; then
        fail "${elf#"$root"} is not stripped"
    fi
done < <(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q "^.ELF"' _ {} \; -print)

programs="vesk vesk-build vesk-sim vesk-board vesk-send vesk-mot2bin vesk-cmd vesk-workspace"
tools="a38h l38h c38h cc38h dasmh83"
expected=(
    usr/share/vesk/toolchain/c38hab.lib
    usr/share/vesk/toolchain/README.txt
    usr/share/vesk/toolchain/include/h8io.h
    usr/share/vesk/toolchain/include/h8io.inc
    usr/share/vesk/toolchain/samples/blink.c
    usr/share/vesk/toolchain/samples/sample.mar
    usr/share/vesk/templates/RESETV_RAM.MAR
    usr/share/vesk/templates/RESETV_ROM.MAR
    usr/share/applications/vesk.desktop
    usr/share/icons/hicolor/scalable/apps/vesk.svg
    usr/share/metainfo/org.example.vesk.metainfo.xml
    usr/share/doc/vesk/copyright
    usr/share/doc/vesk/changelog.gz
)
for p in $programs; do
    expected+=("usr/bin/$p")
done
for t in $tools; do
    expected+=("usr/lib/vesk/toolchain/$t.exe")
done
for p in $programs $tools; do
    expected+=("usr/share/man/man1/$p.1.gz")
done
for path in "${expected[@]}"; do
    [ -f "$root/$path" ] || fail "no /$path"
done
for p in $programs; do
    [ -x "$root/usr/bin/$p" ] || fail "/usr/bin/$p is not executable"
done
for t in $tools; do
    [ -x "$root/usr/lib/vesk/toolchain/$t.exe" ] || fail "/usr/lib/vesk/toolchain/$t.exe is not executable"
done
ok "${#expected[@]} files looked for"

# A page made while its program did not answer --help and --version is a stub: say which.
for p in $programs $tools; do
    page="$root/usr/share/man/man1/$p.1.gz"
    [ -f "$page" ] || continue
    if zcat "$page" | grep -q 'vesk-man-page-stub'; then
        fail "man $p is a stub: $p does not answer --help and --version"
    elif ! zcat "$page" | grep -q "^\.SH DESCRIPTION"; then
        fail "man $p has no DESCRIPTION"
    fi
done

# Owned by root, written by root alone.
if dpkg-deb -c "$deb" | awk '$2 != "root/root" || $1 ~ /^.{5}w|^.{8}w/ { print; bad = 1 } END { exit !bad }'; then
    fail "files not owned by root or writable by others (above)"
fi

if command -v lintian > /dev/null; then
    lintian --tag-display-limit 0 "$deb" > "$scratch/lintian.log" 2>&1
    cat "$scratch/lintian.log"
    if grep -q '^E: ' "$scratch/lintian.log"; then
        fail "lintian reports errors"
    else
        ok "lintian: no errors"
    fi
else
    echo "SKIPPED: lintian is not installed (scripts/deps.sh installs it)"
fi

# validate-tree checks the metadata against the tree it lies in: the desktop entry it names
# as its launchable, the icon.
if appstreamcli validate-tree --no-net "$root" > "$scratch/appstream.log" 2>&1; then
    ok "appstreamcli validate-tree"
else
    cat "$scratch/appstream.log"
    fail "appstreamcli validate-tree"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
