#!/usr/bin/env bash
# Makes the package into a temporary folder and checks it as an administrator
# meets it: lintian, its files, the programs it holds, its unit.
set -euo pipefail
cpack=$1 build=$2 version=$3 id=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack could not make the package"; }
deb=$work/out/corvane_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb")"

status=0
lintian --tag-display-limit 0 "$deb" || status=$?
[ $status -eq 0 ] || fail "lintian reports errors (status $status)"

# Dependencies come from dpkg-shlibdeps, not from a list typed by hand.
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6core6 libqt6widgets6 libsqlite3-0; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
for script in postinst prerm postrm; do
    dpkg-deb --info "$deb" "$script" >/dev/null || fail "no $script"
done
if dpkg-deb --info "$deb" postinst | grep -v '^ *#' | grep -E 'systemctl (start|enable)|invoke (start|restart)|helper enable'; then
    fail "postinst starts or enables the service"
fi

dpkg-deb --contents "$deb" | awk '{ print $6 }' >"$work/files"
for file in \
    usr/bin/corvane usr/bin/corvane-capture usr/bin/corvane-newdb usr/bin/corvane-query usr/bin/corvane-convert \
    usr/lib/systemd/system/corvane-capture.service usr/lib/sysusers.d/corvane.conf \
    usr/lib/tmpfiles.d/corvane.conf usr/lib/sysctl.d/60-corvane-capture.conf \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" \
    usr/share/man/man1/corvane.1.gz usr/share/man/man1/corvane-capture.1.gz usr/share/man/man1/corvane-newdb.1.gz \
    usr/share/man/man1/corvane-query.1.gz usr/share/man/man1/corvane-convert.1.gz \
    usr/share/doc/corvane/copyright usr/share/doc/corvane/changelog.gz; do
    grep -qx "./$file" "$work/files" || fail "the package lacks /$file"
done
if grep -q '^\./var/lib/corvane' "$work/files"; then
    fail "the data folder is shipped: dpkg would own it and make it root's"
fi

root=$work/root
dpkg-deb --extract "$deb" "$root"
for program in corvane corvane-capture corvane-newdb corvane-query corvane-convert; do
    printed=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
    [ "$printed" = "$program $version" ] || fail "$program --version printed '$printed'"
done
mkdir "$work/data"
"$root/usr/bin/corvane-newdb" "$work/data" >/dev/null || fail "corvane-newdb from the package failed"
[ -f "$work/data/Errlog.txt" ] || fail "corvane-newdb made no error log"
"$root/usr/bin/corvane-query" "$work/data/syslog97.mdb" "SELECT COUNT(*) FROM syslog" >/dev/null \
    || fail "corvane-query from the package cannot read the new database"

unit=$root/usr/lib/systemd/system/corvane-capture.service
grep -qx 'ExecStart=/usr/bin/corvane-capture --folder /var/lib/corvane' "$unit" || fail "ExecStart: $(grep ^ExecStart= "$unit")"
grep -qx 'd /var/lib/corvane 2770 corvane corvane -' "$root/usr/lib/tmpfiles.d/corvane.conf" || fail "tmpfiles entry"
grep -q '^u corvane ' "$root/usr/lib/sysusers.d/corvane.conf" || fail "sysusers entry"
grep -qx 'Exec=corvane --folder /var/lib/corvane' "$root/usr/share/applications/$id.desktop" || fail "desktop Exec"
zcat "$root/usr/share/doc/corvane/changelog.gz" | head -n 1 | grep -q "^corvane ($version) " \
    || fail "the changelog's newest entry is not $version: add one to packaging/changelog"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# systemd-analyze checks the unit's keys; it finds the program where the
# unit names it, so a copy names the extracted one, and the page its
# Documentation= names on MANPATH. Skipped where it cannot
# verify even a trivial unit.
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP systemd-analyze verify: not installed"
    exit 0
fi
mkdir "$work/units"
printf '[Service]\nExecStart=/bin/true\n' >"$work/units/probe.service"
if ! probe=$(systemd-analyze verify "$work/units/probe.service" 2>&1) || [ -n "$probe" ]; then
    echo "SKIP systemd-analyze verify: cannot run here: $probe"
    exit 0
fi
sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$unit" >"$work/units/corvane-capture.service"
if ! verified=$(MANPATH=$root/usr/share/man systemd-analyze verify "$work/units/corvane-capture.service" 2>&1) || [ -n "$verified" ]; then
    fail "systemd-analyze verify: $verified"
fi
echo "package $(basename "$deb") checked"
