#!/usr/bin/env bash
# debpackage.sh <build-dir> <cpack> <built lens-updater> [<hidraw testbed> <window shim>]
#
# Builds the .deb with cpack, installs it with dpkg -i, checks the package and
# the installed files, starts the installed program offscreen (and, given the
# testbed, once more against a simulated lens on an emulated hidraw node, until
# it shows the lens's information), and purges the package again. The package is removed on every way out, failed checks
# included, so the machine is left as it was found.
set -u

build=$1
cpack=$2
built_exe=$3
testbed=${4:-}
shim=${5:-}
pkg=lens-updater

skip() { echo "SKIP: $*"; exit 77; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
abort() { echo "FAIL: $*"; exit 1; }

[ "$EUID" -eq 0 ] || skip "installing a package needs root (run the tests as root)"
for tool in dpkg dpkg-deb dpkg-query; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing: not a Debian-style system"
done
if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -qv 'not-installed'; then
    skip "a $pkg package is already on this machine; the test neither replaces nor removes it"
fi
[ -e /usr/bin/lens-updater ] && skip "/usr/bin/lens-updater exists outside any package; the test would overwrite it"

[ -f "$build/CPackConfig.cmake" ] || abort "$build/CPackConfig.cmake is missing (configure the build tree)"
[ -x "$built_exe" ] || abort "$built_exe is missing: build lens-updater first"

work=$(mktemp -d /tmp/debpackage.XXXXXX)
installed=0
app_pid=
bed_pid=

# A program ended by a signal skips its exit handlers, so its single-instance
# guard (a System V segment and semaphore, keyed by ftok on files in its
# private TMPDIR) outlives it. Remove exactly those: the key must be one of
# ours and the dead program their creator or last user.
remove_guard_ipc() {
    local pid=$1 f dev ino keys=" " key id nattch
    for f in "$work"/tmp/qipc_*; do
        [ -e "$f" ] || continue
        read -r dev ino < <(stat -c '%d %i' "$f")
        keys+="$(printf '0x%08x' $(( (0x51 << 24) | ((dev & 0xff) << 16) | (ino & 0xffff) ))) "
    done
    [ "$keys" = " " ] && return 0
    while read -r key id nattch; do
        case $keys in *" $key "*) ;; *) continue ;; esac
        [ "$nattch" = 0 ] || continue
        ipcs -m -i "$id" 2>/dev/null | grep -q "cpid=$pid\b" && ipcrm -m "$id"
    done < <(ipcs -m 2>/dev/null | awk '$1 ~ /^0x/ {print $1, $2, $6}')
    while read -r key id; do
        case $keys in *" $key "*) ;; *) continue ;; esac
        ipcs -s -i "$id" 2>/dev/null | awk -v pid="$pid" '$1 ~ /^[0-9]+$/ && $5 == pid {found=1} END {exit !found}' \
            && ipcrm -s "$id"
    done < <(ipcs -s 2>/dev/null | awk '$1 ~ /^0x/ {print $1, $2}')
    return 0
}

cleanup() {
    if [ -n "$bed_pid" ] && kill -0 "$bed_pid" 2>/dev/null; then
        kill -TERM "$bed_pid" 2>/dev/null
        wait "$bed_pid" 2>/dev/null
    fi
    if [ -n "$app_pid" ]; then
        if kill -0 "$app_pid" 2>/dev/null; then
            kill -KILL "$app_pid" 2>/dev/null
            wait "$app_pid" 2>/dev/null
        fi
        command -v ipcs >/dev/null 2>&1 && remove_guard_ipc "$app_pid"
    fi
    if [ "$installed" -eq 1 ] && dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -qv 'not-installed'; then
        echo "cleanup: purging $pkg"
        dpkg --purge "$pkg" >"$work/cleanup.log" 2>&1 || { cat "$work/cleanup.log"; dpkg --purge --force-all "$pkg"; }
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
# A reader that goes away (| head) must not kill the script before cleanup.
trap '' PIPE

# --- build ------------------------------------------------------------------
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    abort "cpack failed"
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { cat "$work/cpack.log"; abort "cpack made no single .deb"; }
deb=${debs[0]}
pass "built $(basename "$deb")"

# --- package metadata ---------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
# True when a comma/pipe separated relation list names package $2.
names() { printf '%s\n' "$1" | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g' | grep -qx "$2"; }

[ "$(field Package)" = "$pkg" ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
echo "      Depends: $depends"
for lib in libqt5core5a libqt5gui5 libqt5widgets5 libqt5network5 libhidapi-hidraw0; do
    names "$depends" "$lib" && pass "Depends names $lib" || fail "Depends does not name $lib"
done
# The udev rule opens the hidraw node; a program built on hidapi's libusb
# backend would not be served by it.
names "$depends" libhidapi-libusb0 && fail "Depends names libhidapi-libusb0 (the product uses hidraw)"
recommends=$(field Recommends)
echo "      Recommends: $recommends"
printf '%s\n' "$recommends" | grep -Eq 'fonts-(wqy|noto-cjk|arphic)' \
    && pass "Recommends a CJK font" || fail "Recommends names no CJK font"
names "$recommends" qttranslations5-l10n && pass "Recommends qttranslations5-l10n (Qt's Chinese buttons)" \
    || fail "Recommends does not name qttranslations5-l10n"

# Exactly the product's files: no tools, tests or simulator hidapi.
expected_files="/usr/bin/lens-update
/usr/bin/lens-updater
/usr/share/man/man1/lens-update.1.gz
/usr/lib/udev/rules.d/70-lens-updater.rules
/usr/share/applications/lens-updater.desktop
/usr/share/metainfo/com.zemtar.LensUpdater.metainfo.xml
/usr/share/icons/hicolor/256x256/apps/lens-updater.png
/usr/share/icons/hicolor/48x48/apps/lens-updater.png
/usr/share/icons/hicolor/scalable/apps/lens-updater.svg"
dpkg-deb -c "$deb" >"$work/contents"
actual_files=$(awk '$1 !~ /^d/ {print $6}' "$work/contents" | sed 's|^\./|/|' | LC_ALL=C sort)
if [ "$actual_files" = "$(printf '%s\n' "$expected_files" | LC_ALL=C sort)" ]; then
    pass "package holds exactly the product's files"
else
    fail "package contents differ from the expected list:"
    diff <(printf '%s\n' "$expected_files" | LC_ALL=C sort) <(printf '%s\n' "$actual_files") | sed 's/^/      /'
fi
awk '$2 != "root/root" {print}' "$work/contents" | grep -q . && fail "files not owned by root/root: $(awk '$2 != "root/root" {print $6}' "$work/contents" | tr '\n' ' ')"
awk '$6 ~ /\/usr\/bin\/lens-update(r)?$/ && $1 != "-rwxr-xr-x" {print}' "$work/contents" | grep -q . && fail "a program in /usr/bin is not mode 0755"
awk '$1 ~ /^-/ && $6 !~ /\/usr\/bin\// && $1 != "-rw-r--r--" {print}' "$work/contents" | grep -q . && fail "data files not mode 0644: $(awk '$1 ~ /^-/ && $6 !~ /\/usr\/bin\// && $1 != "-rw-r--r--" {print $6}' "$work/contents" | tr '\n' ' ')"

dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    if [ -x "$work/control/$script" ] && sh -n "$work/control/$script"; then
        pass "$script is an executable shell script"
    else
        fail "$script is missing, not executable or not valid sh"
    fi
done

# --- install ------------------------------------------------------------------
installed=1
if dpkg -i "$deb" >"$work/install.log" 2>&1; then
    pass "dpkg -i"
else
    cat "$work/install.log"
    abort "dpkg -i failed"
fi
status=$(dpkg-query -W -f='${Status}' "$pkg")
[ "$status" = "install ok installed" ] || fail "package status after install is '$status'"

listed=$(dpkg -L "$pkg")
for f in /usr/bin/lens-updater /usr/bin/lens-update /usr/share/man/man1/lens-update.1.gz /usr/lib/udev/rules.d/70-lens-updater.rules /usr/share/applications/lens-updater.desktop; do
    if printf '%s\n' "$listed" | grep -qx "$f" && [ -f "$f" ]; then
        pass "dpkg -L lists $f and it is installed"
    else
        fail "$f is not listed by dpkg -L or not on disk"
    fi
done

# The program is the one this tree built (stripped), with no build-tree run
# path that would only work on this machine.
exe=/usr/bin/lens-updater
if command -v readelf >/dev/null 2>&1; then
    build_id() { readelf -n "$1" 2>/dev/null | sed -n 's/.*Build ID: *//p'; }
    if [ -n "$(build_id "$built_exe")" ]; then
        [ "$(build_id "$exe")" = "$(build_id "$built_exe")" ] && pass "installed program is this tree's build" \
            || fail "installed program is not $built_exe (build ids differ)"
    fi
    rpath=$(readelf -d "$exe" | grep -E 'R(UN)?PATH' || true)
    [ -z "$rpath" ] && pass "no RPATH/RUNPATH" || fail "installed program carries a run path: $rpath"
fi
if ldd "$exe" >"$work/ldd" 2>&1 && ! grep -q 'not found' "$work/ldd"; then
    pass "every shared library of the installed program resolves"
else
    fail "unresolved libraries:"; sed 's/^/      /' "$work/ldd"
fi
grep -q 'libhidapi-hidraw' "$work/ldd" && pass "linked against the system hidapi-hidraw" \
    || fail "the installed program does not use the system libhidapi-hidraw"

# The command-line program runs without a display and answers for itself.
if env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/lens-update --version 2>&1 | grep -q '^lens-update '; then
    pass "installed lens-update answers --version"
else
    fail "installed lens-update does not answer --version"
fi
if command -v man >/dev/null 2>&1; then
    man -l /usr/share/man/man1/lens-update.1.gz 2>/dev/null | grep -q 'EXIT STATUS' \
        && pass "man page of lens-update reads" || fail "the man page of lens-update does not read"
fi

# --- udev rule ------------------------------------------------------------------
rule=/usr/lib/udev/rules.d/70-lens-updater.rules
# uaccess only takes effect from a rule sorted before 73-seat-late.rules.
if [[ "$(basename "$rule")" < "73-seat-late.rules" ]]; then
    pass "rule sorts before 73-seat-late.rules"
else
    fail "rule sorts after 73-seat-late.rules, so TAG+=\"uaccess\" would be ignored"
fi
line=$(grep -v '^[[:space:]]*#' "$rule" | grep 'hidraw')
for want in 'SUBSYSTEM=="hidraw"' 'ATTRS{idVendor}=="0483"' 'ATTRS{idProduct}=="c8c0"' 'TAG+="uaccess"'; do
    printf '%s\n' "$line" | grep -qF "$want" && pass "rule has $want" || fail "rule lacks $want"
done
if command -v udevadm >/dev/null 2>&1; then
    # With a device path that does not exist, udevadm test parses every rule
    # file it would read, reports their faults, and touches nothing.
    udevadm test /devices/lens-updater-rule-check >"$work/udev.log" 2>&1
    if grep -qx "Reading rules file: $rule" "$work/udev.log"; then
        pass "udev reads the installed rule"
    else
        fail "udev does not read $rule"
    fi
    if grep -q "^$rule:" "$work/udev.log"; then
        fail "udev reports faults in the rule:"; grep "^$rule:" "$work/udev.log" | sed 's/^/      /'
    else
        pass "udev parses the rule without complaint"
    fi
else
    echo "note: udevadm missing, rule not parsed by udev"
fi

# --- desktop entry ----------------------------------------------------------------
desktop=/usr/share/applications/lens-updater.desktop
if command -v desktop-file-validate >/dev/null 2>&1; then
    if desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 && ! grep -q . "$work/validate.log"; then
        pass "desktop-file-validate"
    else
        fail "desktop-file-validate:"; sed 's/^/      /' "$work/validate.log"
    fi
else
    echo "note: desktop-file-validate missing (package desktop-file-utils), entry not validated"
fi
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ "$(command -v "$exec_cmd")" = "$exe" ] && pass "Exec= starts $exe" || fail "Exec=$exec_cmd does not resolve to $exe"
icon=$(sed -n 's/^Icon=//p' "$desktop")
if ls /usr/share/icons/hicolor/*/apps/"$icon".{png,svg} 2>/dev/null | grep -q .; then
    pass "Icon=$icon is in the hicolor theme"
else
    fail "no hicolor icon named $icon"
fi

# --- AppStream metadata -------------------------------------------------------------
metainfo=/usr/share/metainfo/com.zemtar.LensUpdater.metainfo.xml
if command -v appstreamcli >/dev/null 2>&1; then
    if appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1; then
        pass "appstreamcli validate --no-net"
    else
        fail "appstreamcli validate --no-net:"; sed 's/^/      /' "$work/appstream.log"
    fi
else
    echo "note: appstreamcli missing (package appstream), metadata not validated"
fi
grep -q '<modalias>usb:v0483pC8C0d\*</modalias>' "$metainfo" && pass "metadata provides the lens's USB id" \
    || fail "metadata does not provide usb:v0483pC8C0d*"
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "/usr/share/applications/$launchable" ] && pass "metadata launches $launchable" \
    || fail "metadata names desktop entry '$launchable', which is not installed"

# --- run ------------------------------------------------------------------------
# Its own temporary directory keeps its single-instance guard apart from any
# other copy of the program running for other tests.
mkdir -m 700 "$work/tmp" "$work/runtime"
env -u XDG_STATE_HOME QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts LANG=C.UTF-8 \
    TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/tmp" \
    "$exe" >"$work/run.log" 2>&1 &
app_pid=$!
# Wait ~1.5 s, ending early if the program ends by itself.
for _ in $(seq 15); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
    kill -TERM "$app_pid"
    for _ in $(seq 100); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        kill -KILL "$app_pid"
        wait "$app_pid" 2>/dev/null
        fail "installed program did not end within 10 s of SIGTERM"
    else
        wait "$app_pid"; rc=$?
        case $rc in
            0|143) pass "installed program ran and ended on SIGTERM (exit $rc)" ;;
            *) fail "installed program ended with $rc after SIGTERM"; sed 's/^/      /' "$work/run.log" ;;
        esac
    fi
else
    wait "$app_pid"; rc=$?
    if [ "$rc" -eq 0 ]; then
        pass "installed program started and exited 0 by itself"
    else
        fail "installed program exited with $rc"; sed 's/^/      /' "$work/run.log"
    fi
fi
if command -v ipcs >/dev/null 2>&1; then
    remove_guard_ipc "$app_pid"
    if ipcs -m -p 2>/dev/null | awk -v pid="$app_pid" '$3 == pid {found=1} END {exit !found}'; then
        fail "the program left a shared-memory segment behind"
    fi
fi
app_pid=
# XDG_STATE_HOME unset: the log goes under $HOME/.local/state.
runlog="$work/tmp/.local/state/lens-updater/lens-updater.log"
grep -q ' info lens.app: started ' "$runlog" 2>/dev/null && pass "the program wrote its log to ~/.local/state/lens-updater" \
    || fail "no start-up line in $runlog"

# --- run against a lens ------------------------------------------------------------
# The installed program, unchanged, finds the simulated lens through the
# system hidapi on the testbed's emulated /dev/hidraw0; the preloaded shim
# reports what the window shows.
if [ -z "$testbed" ] || [ ! -x "$testbed" ] || [ ! -f "$shim" ]; then
    echo "note: no hidraw lens testbed in this build (umockdev missing), no run against a lens"
else
    mkfifo "$work/bed.in"
    env QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
        TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/tmp" \
        "$testbed" --serial SN2024000042 --version V1.0.7 --preload "$shim" -- "$exe" \
        <"$work/bed.in" >"$work/bed.log" 2>"$work/bed.err" &
    bed_pid=$!
    exec 3>"$work/bed.in"
    want_sn=$(printf 'shim\tlabel\tlabel_SN\t序列号  ： SN2024000042')
    want_ver=$(printf 'shim\tlabel\tlabel_nowVer\t当前版本 ： V1.0.7')
    shown=0
    for _ in $(seq 300); do
        if grep -qF "$want_sn" "$work/bed.err" && grep -qF "$want_ver" "$work/bed.err"; then
            shown=1
            break
        fi
        kill -0 "$bed_pid" 2>/dev/null || break
        sleep 0.1
    done
    if grep -q "umockdev preload library is missing" "$work/bed.err"; then
        echo "note: the umockdev preload is missing, no run against a lens"
    elif [ $shown -eq 1 ]; then
        pass "installed program found the lens on /dev/hidraw0 and shows its serial number and version"
    else
        fail "installed program did not show the lens's information within 30 s:"
        sed 's/^/      /' "$work/bed.log" "$work/bed.err" | tail -20
    fi
    echo quit >&3
    exec 3>&-
    for _ in $(seq 100); do
        kill -0 "$bed_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$bed_pid" 2>/dev/null; then
        fail "the testbed did not end within 10 s of quit"
    else
        wait "$bed_pid"
    fi
    bed_pid=
    # The testbed ends the program with SIGTERM: its guard is left behind.
    run_pid=$(sed -n 's/^testbed: started .* (pid \([0-9]*\))$/\1/p' "$work/bed.log")
    [ -n "$run_pid" ] && command -v ipcs >/dev/null 2>&1 && remove_guard_ipc "$run_pid"
fi

# --- remove -----------------------------------------------------------------------
if dpkg --purge "$pkg" >"$work/remove.log" 2>&1; then
    pass "dpkg --purge"
else
    fail "dpkg --purge failed:"; sed 's/^/      /' "$work/remove.log"
fi
for f in $expected_files; do
    [ -e "$f" ] && fail "$f is still there after removal"
done
dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -qv 'not-installed' \
    && fail "dpkg still knows $pkg after purge" || pass "package gone"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
