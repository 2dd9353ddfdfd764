#!/usr/bin/env bash
# Checks the Debian package built in BUILD_DIR (qelt_*.deb): unpacks it into a temporary
# root with dpkg-deb -x (never installs it), lists its contents, checks that it holds what
# an install needs and nothing else, that its dependencies cover every library the
# executables load, that lintian, desktop-file-validate, appstreamcli and man --warnings
# find nothing to report, that its version, changelog and metainfo agree, that its
# postinst creates the group qelt once, and runs the unpacked
# programs: qelt-tool --help, an installed copy's first start (its program folder in the
# user's data folder), and qelt --headless for a few seconds.
# usage: check_package.sh BUILD_DIR
set -uo pipefail
build="${1:?usage: check_package.sh BUILD_DIR}"
here=$(cd "$(dirname "$0")" && pwd)
readonly kRunSeconds=3        # how long the unpacked program runs before it is ended
readonly kExitWaitSeconds=5   # it must be gone this soon after SIGTERM

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT
faults=0
fault() { echo "FAULT: $*"; faults=$((faults + 1)); }

shopt -s nullglob
debs=("$build"/qelt_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "FAIL: expected one qelt_*.deb in $build, found ${#debs[@]}"
    exit 1
fi
deb="${debs[0]}"
root="$work/root"
if ! dpkg-deb -x "$deb" "$root"; then
    echo "FAIL: dpkg-deb -x $deb"
    exit 1
fi

echo "== contents of $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $1, $NF}'

# What an install needs, and only that: the two executables and their manual pages, the
# desktop entry, its AppStream metadata and icons, the polkit rule, the user service, the
# guide and its doc-base entry, the copyright and the changelog. No libraries, headers, plug-ins or test files.
readonly app_id=org.qelt.qelt
for file in usr/bin/qelt usr/bin/qelt-tool; do
    [ -f "$root/$file" ] && [ -x "$root/$file" ] || fault "$file missing or not executable"
done
icons=()
for size in 48x48 64x64 128x128 256x256; do
    icons+=("usr/share/icons/hicolor/$size/apps/$app_id.png")
done
icons+=("usr/share/icons/hicolor/scalable/apps/$app_id.svg")
for file in "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    "${icons[@]}" usr/share/man/man1/qelt.1.gz usr/share/man/man1/qelt-tool.1.gz \
    usr/share/polkit-1/rules.d/50-qelt.rules usr/lib/systemd/user/qelt.service \
    usr/share/doc/qelt/index.html usr/share/doc/qelt/copyright usr/share/doc/qelt/changelog.gz \
    usr/share/doc-base/qelt; do
    [ -s "$root/$file" ] || fault "$file missing or empty"
done
while IFS= read -r file; do
    case "$file" in
        ./usr/bin/qelt | ./usr/bin/qelt-tool | "./usr/share/applications/$app_id.desktop" | \
            "./usr/share/metainfo/$app_id.metainfo.xml" | \
            ./usr/share/icons/hicolor/*/apps/"$app_id".png | \
            "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" | \
            ./usr/share/man/man1/qelt.1.gz | ./usr/share/man/man1/qelt-tool.1.gz | \
            ./usr/share/polkit-1/rules.d/50-qelt.rules | ./usr/lib/systemd/user/qelt.service | \
            ./usr/share/doc/qelt/* | ./usr/share/doc-base/qelt) ;;
        *) fault "unexpected file in the package: $file" ;;
    esac
done < <(cd "$root" && find . -type f -o -type l)
for binary in "$root"/usr/bin/*; do
    if objdump -p "$binary" | grep -qE 'NEEDED +lib(asan|ubsan|tsan)'; then
        fault "$(basename "$binary") is built with sanitizers"
    fi
done

# The control file's long description: CMake lists must not leak into it as ';'.
if dpkg-deb -f "$deb" Description | grep -q '^ ;'; then
    fault "the description holds CMake list separators: $(dpkg-deb -f "$deb" Description)"
fi

# Every library the executables load comes from a package the control file names.
depends=$(dpkg-deb -f "$deb" Depends)
echo "== Depends: $depends"
depends_names=" $(echo "$depends" | sed -E 's/\([^)]*\)//g; s/[,|]/ /g') "
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6dbus6 \
    qt6-qpa-plugins qt6-translations-l10n libgstreamer1.0-0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
    gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav \
    gstreamer1.0-pulseaudio gstreamer1.0-alsa timgm6mb-soundfont fonts-wqy-microhei adduser; do
    [[ "$depends_names" == *" $package "* ]] || fault "Depends lacks $package"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for library in $(objdump -p "$root"/usr/bin/* | awk '/NEEDED/ {print $2}' | sort -u); do
    owner=$(dpkg -S "*/$multiarch/$library" 2>/dev/null | grep -v -- '-dev' | head -n 1 |
        cut -d: -f1)
    if [ -z "$owner" ]; then
        fault "no installed package holds $library"
    elif [[ "$depends_names" != *" $owner "* ]]; then
        fault "$library comes from $owner, which Depends does not name"
    fi
done

# The polkit rule names the two power-off actions and the group, never the one that
# overrides inhibitors; where an interpreter is at hand, the installed rule is run as
# polkitd runs it (the rule's own check, with local, remote and no sessions).
rule="$root/usr/share/polkit-1/rules.d/50-qelt.rules"
for action in power-off power-off-multiple-sessions; do
    grep -qF "\"org.freedesktop.login1.$action\"" "$rule" || fault "the polkit rule lacks $action"
done
grep -qF "power-off-ignore-inhibit" "$rule" && fault "the polkit rule overrides inhibitors"
grep -qF 'isInGroup("qelt")' "$rule" || fault "the polkit rule does not name the group qelt"
bash "$here/../../packaging/polkit/check_rule.sh" "$rule"
case $? in
    0 | 77) ;;
    *) fault "the polkit rule decides wrongly" ;;
esac

# Debian's own checks, as a distribution's packager runs them; make deps installs the
# tools. Each fails the check on any error or warning it prints.
for tool in lintian desktop-file-validate appstreamcli man dpkg-parsechangelog; do
    command -v "$tool" >/dev/null || fault "$tool is not installed (make deps installs it)"
done
if command -v lintian >/dev/null; then
    echo "== lintian (errors and warnings fail; the rest is shown)"
    lintian -E --pedantic --fail-on error,warning "$deb" || fault "lintian reports errors or warnings"
fi
if command -v desktop-file-validate >/dev/null; then
    echo "== desktop-file-validate"
    report=$(desktop-file-validate "$root/usr/share/applications/$app_id.desktop" 2>&1)
    [ -z "$report" ] || fault "desktop entry: $report"
fi
if command -v appstreamcli >/dev/null; then
    # --no-net: the screenshots are not fetched, so the check needs no network.
    echo "== appstreamcli validate-tree"
    if ! report=$(appstreamcli validate-tree --pedantic --strict --no-net "$root" 2>&1) ||
        grep -qE '^[A-Z]: ' <<< "$report"; then
        fault "AppStream metadata: $report"
    fi
    echo "$report"
fi
if command -v man >/dev/null; then
    echo "== man --warnings"
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        report=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 > /dev/null)
        [ -z "$report" ] || fault "$(basename "$page"): $report"
    done
fi
# The package's version, its changelog's newest entry and its metainfo's newest release
# are one version.
version=$(dpkg-deb -f "$deb" Version)
gunzip -c "$root/usr/share/doc/qelt/changelog.gz" > "$work/changelog"
logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)
[ "$logged" = "$version" ] || fault "the package is $version, its changelog's newest entry $logged"
released=$(grep -oE '<release version="[^"]+"' "$root/usr/share/metainfo/$app_id.metainfo.xml" |
    head -n 1 | cut -d'"' -f2)
[ "$released" = "$version" ] || fault "the package is $version, its metainfo's newest release $released"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/qelt/copyright" || fault "the copyright file is not in the machine-readable format"
python3 "$here/check_guide.py" "$root/usr/share/doc/qelt" || fault "the installed guide is broken"

# The postinst, run against stand-ins for getent and addgroup: the first configure adds
# the system group, a second one (the group now there) leaves it alone.
control="$work/control"
dpkg-deb -e "$deb" "$control"
if [ ! -x "$control/postinst" ]; then
    fault "postinst missing or not executable"
else
    stubs="$work/stubs"
    mkdir -p "$stubs"
    cat > "$stubs/getent" <<'STUB'
#!/bin/sh
[ -f "$STUB_GROUPS" ] && grep -qx "$2" "$STUB_GROUPS"
STUB
    cat > "$stubs/addgroup" <<'STUB'
#!/bin/sh
echo "addgroup $*" >> "$STUB_CALLS"
[ "$1" = "--system" ] && echo "$2" >> "$STUB_GROUPS"
STUB
    chmod +x "$stubs/getent" "$stubs/addgroup"
    for round in 1 2; do
        PATH="$stubs:$PATH" STUB_GROUPS="$work/groups" STUB_CALLS="$work/calls" \
            "$control/postinst" configure || fault "postinst configure (run $round) failed"
    done
    calls=$(cat "$work/calls" 2>/dev/null)
    [ "$calls" = "addgroup --system qelt" ] ||
        fault "postinst should add the system group qelt once, it ran: ${calls:-nothing}"
fi

# The unpacked programs, with no display, no sound card, no power-off, and a home,
# runtime and data folder of their own.
home="$work/home"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
run_env=(env -u DISPLAY -u WAYLAND_DISPLAY -u QELT_HOME -u QELT_EVENT_LOG
    HOME="$home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$home/.config"
    XDG_RUNTIME_DIR="$work/run" TMPDIR="$work" QELT_NO_POWEROFF=1
    QELT_AUDIO_SINK="fakesink sync=true" GST_REGISTRY="$work/gst-registry.bin")

if ! help=$("${run_env[@]}" timeout 10 "$root/usr/bin/qelt-tool" --help 2>&1); then
    fault "qelt-tool --help failed: $help"
elif ! grep -q "usage" <<< "$help"; then
    fault "qelt-tool --help printed no usage"
fi

# Starts PROGRAM ARGS... in the background, lets it run, ends it with SIGTERM, and checks
# that it ran the whole time and left within the bound. Output goes to $work/NAME.out.
run_and_stop() {  # NAME PROGRAM ARGS...
    local name="$1"
    shift
    "${run_env[@]}" "$@" > "$work/$name.out" 2>&1 &
    local pid=$!
    pids+=("$pid")
    sleep "$kRunSeconds"
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        fault "$name ended by itself (exit $?): $(tail -n 5 "$work/$name.out")"
        return 1
    fi
    kill -TERM "$pid"
    local waited=0
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt $((kExitWaitSeconds * 10)) ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        fault "$name still running ${kExitWaitSeconds} s after SIGTERM"
        return 1
    fi
    wait "$pid"
    local code=$?
    [ $code -eq 0 ] || fault "$name exited with $code after SIGTERM: $(tail -n 5 "$work/$name.out")"
    return 0
}

# An installed copy started without --dir keeps its files in $XDG_DATA_HOME/qelt, which
# it creates with its timetable folder; nothing is written beside the executable.
run_and_stop first-start env QT_QPA_PLATFORM=offscreen "$root/usr/bin/qelt"
echo "== the first start made: $(cd "$work/data" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')"
[ -d "$work/data/qelt/作息表" ] || fault "the first start did not create \$XDG_DATA_HOME/qelt/作息表"
[ -z "$(ls "$root/usr/bin" | grep -vx -e qelt -e qelt-tool)" ] ||
    fault "the installed copy wrote beside its executable: $(ls "$root/usr/bin")"

# A copy outside an installed layout keeps its files beside itself while it may write
# there, and uses the user's data folder when it may not.
portable="$work/portable"
mkdir -p "$portable"
cp "$root/usr/bin/qelt" "$portable/"
run_and_stop portable env QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$work/data-portable" \
    "$portable/qelt"
[ -d "$portable/作息表" ] || fault "a copy in a writable folder did not keep its files beside itself"
[ ! -e "$work/data-portable/qelt" ] || fault "a copy in a writable folder used the data folder"

locked="$work/locked"
mkdir -p "$locked/bin" "$locked/user"
cp "$root/usr/bin/qelt" "$locked/bin/"
chmod 555 "$locked/bin"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    # root may write anywhere: the copy runs as nobody, with folders of its own.
    if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
        chmod 711 "$work"
        chmod 700 "$locked/user"
        chown nobody "$locked/user"
        as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
    else
        locked=""
        echo "SKIP: a copy in a folder it cannot write (root, and no setpriv or nobody)"
    fi
fi
if [ -n "$locked" ]; then
    run_and_stop locked "${as_user[@]}" env QT_QPA_PLATFORM=offscreen HOME="$locked/user" \
        XDG_DATA_HOME="$locked/user/data" XDG_RUNTIME_DIR="$locked/user" \
        XDG_CONFIG_HOME="$locked/user/config" GST_REGISTRY="$locked/user/gst-registry.bin" \
        "$locked/bin/qelt"
    [ -d "$locked/user/data/qelt/作息表" ] ||
        fault "a copy in a folder it cannot write did not use \$XDG_DATA_HOME/qelt"
fi

# qelt --headless on a demo program folder, once the program knows the option.
"${run_env[@]}" timeout 20 "$root/usr/bin/qelt-tool" demo "$work/demo" > /dev/null ||
    fault "qelt-tool demo failed"
if ! "${run_env[@]}" timeout 10 "$root/usr/bin/qelt" --help 2>&1 | grep -q -- "--headless"; then
    echo "SKIP: qelt --headless (this qelt does not offer the option yet)"
elif run_and_stop headless "$root/usr/bin/qelt" --headless --dir "$work/demo"; then
    echo "== qelt --headless printed:"
    head -n 5 "$work/headless.out"
    grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ' "$work/headless.out" ||
        fault "qelt --headless printed no event line: $(head -n 5 "$work/headless.out")"
fi

if [ $faults -ne 0 ]; then
    echo "check_package: FAILED ($faults)"
    exit 1
fi
echo "check_package: ok"
