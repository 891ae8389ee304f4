#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR and checks what a user or a
# distribution gets: the installed tree, the library's SONAME and exports,
# the desktop entry and metainfo, the man pages and completion against the
# programs' own --help, a C program built on the installed library through
# pkg-config and through find_package, the Python module installed and
# imported, and the Debian packages (contents, dependencies, lintian errors).
# Usage: tests/install/check-install.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: check-install.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() {  # description, command...
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else fail "$what"; fi
}

export VANTREL_VIRTUAL_TIMING=instant QT_QPA_PLATFORM=offscreen
unset VANTREL_VIRTUAL VANTREL_VIRTUAL_SCENE VANTREL_VIRTUAL_FAULTS
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=com.vantrel.halden

# --- the installed tree --------------------------------------------------
dest=$work/dest
usr=$dest/usr
DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log"
lib=$(dirname "$(find "$usr/lib" -name 'libvantrel_shared.so.1' | head -n1)")
[[ -d $lib ]] || { echo "FAIL: libvantrel_shared.so.1 not installed" >&2; exit 1; }
share=$usr/share

expected=(
    "$usr/bin/halden" "$usr/bin/halden-cli"
    "$usr/include/vantrel_shared.h"
    "$lib/libvantrel_shared.so.$version"
    "$lib/pkgconfig/vantrel_shared.pc"
    "$lib/cmake/VantrelShared/VantrelSharedConfig.cmake"
    "$lib/cmake/VantrelShared/VantrelSharedConfigVersion.cmake"
    "$lib/cmake/VantrelShared/VantrelSharedTargets.cmake"
    "$usr/lib/udev/rules.d/60-vantrel-spectrometer.rules"
    "$share/applications/$app_id.desktop"
    "$share/metainfo/$app_id.metainfo.xml"
    "$share/icons/hicolor/scalable/apps/$app_id.svg"
    "$share/man/man1/halden.1.gz" "$share/man/man1/halden-cli.1.gz"
    "$share/bash-completion/completions/halden-cli"
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("$share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
package_names=(halden libvantrel-shared1 libvantrel-shared-dev)
# The Python module, when the build made it.
python_module=$(find "$build/python/halden" -name '_halden*.so' 2>/dev/null | head -n1)
python_dir=$usr/lib/python3/dist-packages
python=$(sed -n 's/^_Python3_EXECUTABLE:INTERNAL=//p' "$build/CMakeCache.txt")  # the one it was built for
if [[ -n $python_module ]]; then
    package_names+=(python3-halden)
    expected+=("$python_dir/halden/__init__.py" "$python_dir/halden/__init__.pyi" "$python_dir/halden/py.typed"
               "$python_dir/halden/$(basename "$python_module")")
fi
for package in "${package_names[@]}"; do
    expected+=("$share/doc/$package/copyright" "$share/doc/$package/changelog.Debian.gz")
done
missing=0
for f in "${expected[@]}"; do
    [[ -f $f ]] || { fail "not installed: ${f#"$dest"}"; missing=1; }
done
((missing)) || echo "ok   every expected file installed (${#expected[@]})"

png_size() {  # width x height from the PNG header
    local w h
    read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$1")
    echo "${w}x${h}"
}
bad_png=0
for size in 16 22 24 32 48 64 128 256; do
    f=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [[ -f $f && $(png_size "$f") == "${size}x${size}" ]] || { fail "icon $f is not ${size}x${size}"; bad_png=1; }
done
((bad_png)) || echo "ok   icon PNGs have their folder's size"

check "libvantrel_shared.so.1 -> libvantrel_shared.so.$version" \
    test "$(readlink "$lib/libvantrel_shared.so.1")" = "libvantrel_shared.so.$version"
check "libvantrel_shared.so -> libvantrel_shared.so.1" \
    test "$(readlink "$lib/libvantrel_shared.so")" = "libvantrel_shared.so.1"
check "SONAME libvantrel_shared.so.1" \
    grep -q 'SONAME.*\[libvantrel_shared.so.1\]' <(readelf -d "$lib/libvantrel_shared.so.$version")

# Exactly the functions of the symbol map are exported, nothing of C++.
tr -s ' ;{}\t' '\n' <"$source_dir/devicelib/api/vantrel_shared.map" \
    | grep -E '^[a-zA-Z_][a-zA-Z0-9_]*$' | grep -vxE 'global:|local:|global|local' | sort >"$work/map.txt"
nm -D --defined-only "$lib/libvantrel_shared.so.$version" | awk '$2 ~ /[TWi]/ {print $3}' \
    | sed 's/@.*//' | sort >"$work/exports.txt"
check "the library exports exactly its symbol map ($(wc -l <"$work/map.txt") functions)" \
    diff -u "$work/map.txt" "$work/exports.txt"

binaries=("$usr/bin/halden" "$usr/bin/halden-cli" "$lib/libvantrel_shared.so.$version")
[[ -n $python_module ]] && binaries+=("$python_dir/halden/$(basename "$python_module")")
for f in "${binaries[@]}"; do
    check "no build-tree run path in ${f#"$dest"}" \
        bash -c '! readelf -d "$1" | grep -qE "RPATH|RUNPATH"' _ "$f"
done

local_dest=$work/local
DESTDIR=$local_dest cmake --install "$build" --prefix /usr/local --component vantrel_runtime >/dev/null
check "prefix /usr/local puts the udev rule in /etc/udev/rules.d" \
    test -f "$local_dest/etc/udev/rules.d/60-vantrel-spectrometer.rules"
if [[ -n $python_module ]]; then
    DESTDIR=$local_dest cmake --install "$build" --prefix /usr/local --component python >/dev/null
    python_version=$("$python" -c 'import sys; print(f"{sys.version_info[0]}.{sys.version_info[1]}")')
    check "prefix /usr/local puts the Python module where Debian's python3 looks" \
        test -f "$local_dest/usr/local/lib/python$python_version/dist-packages/halden/__init__.py"
fi

# --- the installed programs, their man pages and completion ----------------
run() { LD_LIBRARY_PATH=$lib "$@" 2>/dev/null; }
check "installed halden --help runs" run "$usr/bin/halden" --help >/dev/null
check "installed halden --version says $version" \
    grep -qF "$version" <(run "$usr/bin/halden" --version)
check "installed halden-cli lists devices" \
    grep -q '^1 spectrometer' <(run "$usr/bin/halden-cli" --virtual devices 2>/dev/null)

if [[ -n $python_module ]]; then
    python_run=$work/python-run
    mkdir -p "$python_run"
    check "the installed Python module acquires from the virtual spectrometer" \
        bash -c 'cd "$1" && LD_LIBRARY_PATH=$2 PYTHONPATH=$3 VANTREL_VIRTUAL=1 "$5" -c "
import halden
assert halden.__version__ == \"$4\", halden.__version__
with halden.Spectrometer(0) as s:
    assert s.acquire().values.shape == (3653,)
"' _ "$python_run" "$lib" "$python_dir" "$version" "$python"
fi

options_of() {  # the options a --help text names
    grep -oE '(^|[][ ,|(])(--[a-z][a-z-]*|-o)' | grep -oE -- '-.*' | sort -u
}
commands=$(run "$usr/bin/halden-cli" --help | sed -n '/^Commands:/,$p' | awk 'NR > 1 && NF {print $1}')
[[ -n $commands ]] || fail "halden-cli --help lists no commands"
cli_page=$work/halden-cli.1
window_page=$work/halden.1
gzip -dc "$share/man/man1/halden-cli.1.gz" >"$cli_page"
gzip -dc "$share/man/man1/halden.1.gz" >"$window_page"
for page in "$cli_page" "$window_page"; do
    check "$(basename "$page") formats without warnings" \
        bash -c '[[ -z $(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null) ]]' _ "$page"
done
in_page() {  # page, option: the page names it (dashes written \-)
    grep -qF -- "${2//-/\\-}" "$1"
}
completion() {  # words...: what bash completes after them
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _halden_cli; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$share/bash-completion/completions/halden-cli" "$@"
}
global_options=$(run "$usr/bin/halden-cli" --help | options_of)
undocumented=()
uncompleted=()
for c in $commands; do
    grep -qE "^\.SS \"?$c( |\"|$)" "$cli_page" || undocumented+=("$c")
    completion halden-cli "${c:0:3}" | grep -x -- "$c" >/dev/null || uncompleted+=("$c")
    for o in $(run "$usr/bin/halden-cli" "$c" --help | options_of); do
        in_page "$cli_page" "$o" || undocumented+=("$c $o")
        # Global options go before the command, so are not offered after it.
        grep -qx -- "$o" <<<"$global_options" && continue
        completion halden-cli "$c" "$o" | grep -x -- "$o" >/dev/null || uncompleted+=("$c $o")
    done
done
for o in $global_options; do
    completion halden-cli "$o" | grep -x -- "$o" >/dev/null || uncompleted+=("$o")
    in_page "$cli_page" "$o" || undocumented+=("$o")
done
for o in $(run "$usr/bin/halden" --help | options_of); do
    in_page "$window_page" "$o" || undocumented+=("halden $o")
done
((${#undocumented[@]} == 0)) && echo "ok   the man pages name every command and option of --help" \
    || fail "missing from packaging/man: ${undocumented[*]}"
((${#uncompleted[@]} == 0)) && echo "ok   bash completion offers every command and option of --help" \
    || fail "missing from packaging/completion/halden-cli: ${uncompleted[*]}"

# --- desktop entry and metainfo --------------------------------------------
desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml
check "desktop-file-validate" desktop-file-validate "$desktop"
appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1 || true
check "appstreamcli validate --no-net --pedantic reports nothing" \
    bash -c '! grep -qE "^[EWIP]: " "$1" && grep -q "successful" "$1"' _ "$work/appstream.log"
grep -E "^[EWIP]: " "$work/appstream.log" >&2 || true
check "desktop entry starts the installed halden" \
    test -x "$usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
check "desktop entry's icon is the installed one" \
    test "$(sed -n 's/^Icon=//p' "$desktop")" = "$app_id"
check "metainfo launches the desktop entry" \
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
check "metainfo names the spectrometer's USB id" \
    grep -qF '<modalias>usb:vE220p0100d*</modalias>' "$metainfo"

# --- building against the installed library --------------------------------
consumer=$here/consumer/frame_count.c
export PKG_CONFIG_PATH=$lib/pkgconfig
check "pkg-config knows vantrel_shared $version" \
    test "$(pkg-config --modversion vantrel_shared)" = "$version"
libs_dir=$(pkg-config --variable=libdir vantrel_shared)
check "pkg-config libdir is the installed one" test "$(realpath "$libs_dir")" = "$(realpath "$lib")"
check "C program built through pkg-config" \
    cc -Wall -Wextra -Werror "$consumer" $(pkg-config --cflags --libs vantrel_shared) -o "$work/frame_count_pc"
check "it reads a frame from the virtual spectrometer" \
    run env VANTREL_VIRTUAL=1 "$work/frame_count_pc" >/dev/null
unset PKG_CONFIG_PATH

if cmake -S "$here/consumer" -B "$work/consumer-build" -DCMAKE_PREFIX_PATH="$usr" \
        -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" >"$work/consumer.log" 2>&1 &&
   cmake --build "$work/consumer-build" >>"$work/consumer.log" 2>&1; then
    echo "ok   C program built through find_package(VantrelShared)"
    check "find_package gave the installed library" \
        grep -qF "vantrel_shared: $lib/" "$work/consumer.log"
    check "it reads a frame from the virtual spectrometer" \
        env VANTREL_VIRTUAL=1 "$work/consumer-build/frame_count" >/dev/null
else
    cat "$work/consumer.log" >&2
    fail "C program built through find_package(VantrelShared)"
fi

# --- Debian packages ------------------------------------------------------
packages=$work/packages
if cpack -G DEB --config "$build/CPackConfig.cmake" -B "$packages" >"$work/cpack.log" 2>&1; then
    echo "ok   cpack -G DEB"
else
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB"
fi
deb() { ls "$packages"/"$1"_*.deb 2>/dev/null | head -n1; }
app_deb=$(deb halden); lib_deb=$(deb libvantrel-shared1); dev_deb=$(deb libvantrel-shared-dev)
python_deb=$(deb python3-halden)
if [[ -f $app_deb && -f $lib_deb && -f $dev_deb && ( -z $python_module || -f $python_deb ) ]]; then
    echo "ok   packages: $(cd "$packages" && ls ./*.deb | xargs -n1 basename | tr '\n' ' ')"
    pkg_version=$(dpkg-deb -f "$lib_deb" Version)
    depends() { dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/^ *//'; }
    check "halden depends on libvantrel-shared1 (= $pkg_version)" \
        grep -qx "libvantrel-shared1 (= $pkg_version)" <(depends "$app_deb")
    check "halden's computed dependencies include Qt Widgets" grep -q '^libqt6widgets6' <(depends "$app_deb")
    check "libvantrel-shared1's computed dependencies include hidapi" grep -q '^libhidapi-hidraw0' <(depends "$lib_deb")
    check "libvantrel-shared-dev depends on libvantrel-shared1 (= $pkg_version)" \
        grep -qx "libvantrel-shared1 (= $pkg_version)" <(depends "$dev_deb")
    check "libvantrel-shared1 declares its shared library" \
        grep -q '^libvantrel_shared 1 libvantrel-shared1' <(dpkg-deb -I "$lib_deb" shlibs)
    contents() { dpkg-deb -c "$1" | awk '{print $6}'; }
    for f in ./usr/bin/halden ./usr/bin/halden-cli "./usr/share/applications/$app_id.desktop" \
             ./usr/share/man/man1/halden-cli.1.gz; do
        grep -qx -- "$f" <(contents "$app_deb") || fail "halden lacks $f"
    done
    for f in "./usr/lib/udev/rules.d/60-vantrel-spectrometer.rules"; do
        grep -qx -- "$f" <(contents "$lib_deb") || fail "libvantrel-shared1 lacks $f"
    done
    grep -q 'libvantrel_shared\.so\.1$' <(contents "$lib_deb") || fail "libvantrel-shared1 lacks the library"
    grep -q '/vantrel_shared\.pc$' <(contents "$dev_deb") || fail "libvantrel-shared-dev lacks the .pc file"
    grep -q '/VantrelSharedConfig\.cmake$' <(contents "$dev_deb") || fail "libvantrel-shared-dev lacks the CMake package"
    if grep -q 'libvantrel_shared\.so\.1' <(contents "$dev_deb") ||
       grep -q 'vantrel_shared\.h$' <(contents "$lib_deb"); then
        fail "runtime and development files are mixed between the library packages"
    fi
    if [[ -n $python_module ]]; then
        check "python3-halden depends on libvantrel-shared1 (= $pkg_version)" \
            grep -qx "libvantrel-shared1 (= $pkg_version)" <(depends "$python_deb")
        check "python3-halden depends on python3-numpy and Qt Gui" \
            bash -c 'grep -qx python3-numpy <<<"$1" && grep -q "^libqt6gui6" <<<"$1"' _ "$(depends "$python_deb")"
        grep -q '/usr/lib/python3/dist-packages/halden/_halden.*\.so$' <(contents "$python_deb") ||
            fail "python3-halden lacks the extension module"
        grep -q '/usr/lib/python3/dist-packages/halden/__init__\.pyi$' <(contents "$python_deb") ||
            fail "python3-halden lacks the type stubs"
    fi
    if lintian --fail-on error "$app_deb" "$lib_deb" "$dev_deb" ${python_deb:+"$python_deb"} >"$work/lintian.log" 2>&1; then
        echo "ok   lintian: no errors ($(grep -c '^W: ' "$work/lintian.log" || true) warnings)"
    else
        fail "lintian reports errors"
    fi
    grep -E '^[EW]: ' "$work/lintian.log" || true
else
    fail "cpack did not make halden, libvantrel-shared1, libvantrel-shared-dev${python_module:+ and python3-halden}"
fi

if ((failures)); then
    echo "install checks: $failures failed" >&2
    exit 1
fi
echo "install checks: all passed"
