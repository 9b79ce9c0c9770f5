#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages scripts/package made: lintian finds no error or warning in them;
# their names, versions, dependencies and files are what Debian expects; this
# machine could install them; and installed into a throwaway root (extracted,
# so nothing on the machine changes and no root is needed) the packaged
# brixelctl runs and the outside client builds against the development package
# through its CMake package and through pkg-config, and Python imports the
# packaged module.
#   check_debian_packages.sh PACKAGE_DIR VERSION SOURCE_DIR WORK_DIR
set -euo pipefail
packages=$(cd "$1" && pwd -P)
version=$2
source=$(cd "$3" && pwd -P)
work=$4

# The names the version implies. Below 1.0 a minor release may break the
# interface, so the ABI is named by major and minor; from 1.0 on by the major.
major=${version%%.*}
minor=${version#*.}
minor=${minor%%.*}
if [ "$major" = 0 ]; then soversion=0.$minor; else soversion=$major; fi
revision=$version-1
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
runtime=libbrixellibrary$soversion
dev=libbrixellibrary-dev
tool=brixelctl
python=python3-brixel
# Debian's interpreter, which the module is built for, whatever python3 comes first on the PATH.
python3=/usr/bin/python3
python_version=$("$python3" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
deb() { echo "$packages/${1}_${revision}_$arch.deb"; }

status=0
fail() {
    echo "FAIL: $*"
    status=1
}

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd -P)

echo "=== the packages of version $version"
expected=$(printf '%s\n' "$(deb $runtime)" "$(deb $dev)" "$(deb $tool)" "$(deb $python)" | sort)
found=$(ls "$packages"/*.deb 2>/dev/null | sort || true)
if [ "$found" != "$expected" ]; then
    echo "expected:"; echo "$expected"; echo "found:"; echo "$found"
    exit 1
fi
ls -l "$packages"/*.deb

echo "=== lintian"
# Errors and warnings fail; notes are shown.
lintian --fail-on error,warning --display-info "$packages"/*.deb || fail "lintian reports errors or warnings"

echo "=== control fields"
field() { dpkg-deb --field "$(deb "$1")" "$2"; }
has_field() { # PACKAGE FIELD VALUE: the field is VALUE, or for Depends holds it
    local value
    value=$(field "$1" "$2")
    case $2 in
        Depends) grep -qF -- "$3" <<<"$value" || fail "$1: $2 '$value' lacks '$3'" ;;
        *) [ "$value" = "$3" ] || fail "$1: $2 is '$value', not '$3'" ;;
    esac
}
for package in $runtime $dev $tool $python; do
    has_field $package Package $package
    has_field $package Version "$revision"
    has_field $package Architecture "$arch"
    has_field $package Source brixellibrary
done
has_field $runtime Section libs
has_field $dev Section libdevel
has_field $tool Section utils
has_field $python Section python
has_field $tool Suggests edid-decode
# What dpkg-shlibdeps found the library and the tool to need, and the
# packages' own dependencies on the library.
has_field $runtime Depends "libusb-1.0-0 (>="
has_field $runtime Depends "libstdc++6 (>="
has_field $runtime Depends "libc6 (>="
has_field $tool Depends "libc6 (>="
has_field $dev Depends "$runtime (= $revision)"
has_field $tool Depends "$runtime (= $revision)"
has_field $python Depends "$runtime (= $revision)"
has_field $python Depends "python3 (>= $python_version~)"
has_field $python Depends "python3 (<< ${python_version%.*}.$((${python_version#*.} + 1)))"
has_field $python Depends "libc6 (>="
shlibs=$(dpkg-deb --info "$(deb $runtime)" shlibs)
[ "$shlibs" = "libBrixelLibrary $soversion $runtime (>= $revision)" ] || fail "$runtime: shlibs file is '$shlibs'"
triggers=$(dpkg-deb --info "$(deb $runtime)" triggers 2>/dev/null || true)
grep -qx "activate-noawait ldconfig" <<<"$triggers" || fail "$runtime: no ldconfig trigger ('$triggers')"
# Its maintainer scripts tell udev of the rule for the Brixel's vendor, and
# leave ldconfig to the trigger.
for script in postinst postrm; do
    text=$(dpkg-deb --info "$(deb $runtime)" $script 2>/dev/null || true)
    sh -n <<<"$text" || fail "$runtime: $script is no valid shell script"
    grep -qF "udevadm trigger --action=change --subsystem-match=usb --attr-match=idVendor=10c4" <<<"$text" ||
        fail "$runtime: $script does not apply the rule to the Brixel's vendor"
    grep -q ldconfig <<<"$text" && fail "$runtime: $script calls ldconfig"
done

# The module's: its bytecode made and removed by Debian's Python tools.
for script in postinst:py3compile prerm:py3clean; do
    text=$(dpkg-deb --info "$(deb $python)" "${script%%:*}" 2>/dev/null || true)
    sh -n <<<"$text" || fail "$python: ${script%%:*} is no valid shell script"
    grep -qF "${script#*:} -p $python" <<<"$text" || fail "$python: ${script%%:*} does not run ${script#*:} -p $python"
done

echo "=== files"
files() { dpkg-deb --contents "$(deb "$1")" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' |
    grep -v '/$' | sort; }
docs() { # what every package holds for Debian
    printf '%s\n' "./usr/share/doc/$1/changelog.Debian.gz" "./usr/share/doc/$1/changelog.gz" \
        "./usr/share/doc/$1/copyright"
}
expect_files() { # PACKAGE, then the expected list on standard input
    local want have
    want=$(sort)
    have=$(files "$1")
    [ "$have" = "$want" ] || { fail "$1 holds other files:"; diff <(echo "$want") <(echo "$have") || true; }
}
expect_files $runtime <<EOF
./usr/lib/$multiarch/libBrixelLibrary.so.$soversion -> libBrixelLibrary.so.$version
./usr/lib/$multiarch/libBrixelLibrary.so.$version
./usr/lib/udev/rules.d/70-brixel.rules
$(docs $runtime)
EOF
expect_files $dev <<EOF
./usr/include/BrixelLibrary.h
./usr/include/BrixelPlatform.h
./usr/lib/$multiarch/cmake/BrixelLibrary/BrixelLibraryConfig.cmake
./usr/lib/$multiarch/cmake/BrixelLibrary/BrixelLibraryConfigVersion.cmake
./usr/lib/$multiarch/cmake/BrixelLibrary/BrixelLibraryTargets-release.cmake
./usr/lib/$multiarch/cmake/BrixelLibrary/BrixelLibraryTargets.cmake
./usr/lib/$multiarch/libBrixelLibrary.so -> libBrixelLibrary.so.$soversion
./usr/lib/$multiarch/pkgconfig/BrixelLibrary.pc
$(docs $dev)
EOF
# The module where Debian's Python 3 finds it, built for this Python.
module=./usr/lib/python3/dist-packages/brixel
suffix=$("$python3" -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
expect_files $python <<EOF
$(cd "$source/python/brixel" && find . -maxdepth 1 -type f -printf "$module/%f\n")
$module/_native$suffix
$module/_tables.py
./usr/share/doc/$python/THIRD-PARTY-NOTICES
$(docs $python)
EOF
# The tool's package holds at least these (cli/ may install more with the tool),
# and nothing outside /usr/bin and /usr/share but the service's unit and settings.
service=brixelctl-serve.service
settings=/etc/brixelctl/serve.conf
tool_files=$(files $tool)
for file in ./usr/bin/brixelctl ./usr/share/man/man1/brixelctl.1.gz \
    ./usr/share/bash-completion/completions/brixelctl ./usr/share/doc/$tool/API.md \
    ./usr/share/doc/$tool/THIRD-PARTY-NOTICES ./usr/lib/systemd/system/$service .$settings $(docs $tool); do
    grep -qx -- "$file" <<<"$tool_files" || fail "$tool lacks $file"
done
grep -v -e '^\./usr/bin/' -e '^\./usr/share/' -e "^\./usr/lib/systemd/system/$service\$" -e "^\.$settings\$" \
    <<<"$tool_files" | sed 's/^/outside \/usr\/bin and \/usr\/share: /' | grep . && fail "$tool holds files elsewhere"
# The service: its settings a conffile, its user made by the package, its unit
# told to systemd and stopped on removal, never enabled by the package itself.
conffiles=$(dpkg-deb --info "$(deb $tool)" conffiles 2>/dev/null || true)
[ "$conffiles" = "$settings" ] || fail "$tool: conffiles is '$conffiles', not $settings"
has_field $tool Depends "adduser"
for script in postinst prerm postrm; do
    text=$(dpkg-deb --info "$(deb $tool)" $script 2>/dev/null || true)
    sh -n <<<"$text" || fail "$tool: $script is no valid shell script"
    grep -qF "$service" <<<"$text" || fail "$tool: $script says nothing of $service"
    grep -qE "deb-systemd-helper enable|systemctl enable" <<<"$text" && fail "$tool: $script enables the service"
done
grep -qF "adduser --system --group --quiet --no-create-home --home /nonexistent brixelctl" \
    <<<"$(dpkg-deb --info "$(deb $tool)" postinst)" || fail "$tool: postinst makes no system user brixelctl"

echo "=== this machine could install them (apt-get --simulate)"
# As a user would install them; run by a user without root too.
apt-get --simulate install "$packages"/*.deb >"$work/apt-simulate.log" 2>&1 ||
    { cat "$work/apt-simulate.log"; fail "apt-get could not install the packages"; }

echo "=== installed into a throwaway root"
root=$work/root
mkdir -p "$root"
for package in $runtime $dev $tool $python; do dpkg-deb --extract "$(deb $package)" "$root"; done
libdir=$root/usr/lib/$multiarch

soname=$(readelf -d "$libdir/libBrixelLibrary.so.$version" | sed -nE 's/.*\(SONAME\).*\[(.*)\]/\1/p')
[ "$soname" = "libBrixelLibrary.so.$soversion" ] || fail "the SONAME is '$soname', not libBrixelLibrary.so.$soversion"
cmp -s "$root/usr/lib/udev/rules.d/70-brixel.rules" "$source/platform/linux/70-brixel.rules" ||
    fail "the packaged udev rule is not platform/linux/70-brixel.rules"
unit=$root/usr/lib/systemd/system/$service
for line in "EnvironmentFile=$settings" "ExecStart=/usr/bin/brixelctl serve" "User=brixelctl" \
    "SupplementaryGroups=plugdev" "WantedBy=multi-user.target"; do
    grep -qx -- "$line" "$unit" || fail "the unit lacks '$line'"
done
grep -qF 'GROUP="plugdev"' "$root/usr/lib/udev/rules.d/70-brixel.rules" || fail "the udev rule gives plugdev no access"
if command -v systemd-analyze >/dev/null; then
    # Checked as it would be installed, but for where its program is here.
    mkdir -p "$work/unit"
    sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$unit" >"$work/unit/$service"
    systemd-analyze verify --man=no "$work/unit/$service" || fail "systemd-analyze verify finds fault with the unit"
fi
for package in $runtime $dev $tool $python; do
    doc=$root/usr/share/doc/$package
    zcat "$doc/changelog.gz" | cmp -s - "$source/CHANGELOG.md" || fail "$package: changelog.gz is not CHANGELOG.md"
    first=$(zcat "$doc/changelog.Debian.gz" | head -n 1)
    [ "$first" = "brixellibrary ($revision) unstable; urgency=medium" ] || fail "$package: changelog.Debian.gz begins '$first'"
done

# The packaged tool has no run path of its own (it lives beside the system's
# libraries), so here the loader is told where the root's copy is.
readelf -d "$root/usr/bin/brixelctl" | grep -qE 'R(UN)?PATH' && fail "the packaged brixelctl has a run path"
loaded=$(LD_LIBRARY_PATH=$libdir ldd "$root/usr/bin/brixelctl" |
    sed -nE 's/^[[:space:]]*libBrixelLibrary\.so[^ ]* => ([^ ]+) .*/\1/p')
[ "$(readlink -f "$loaded")" = "$libdir/libBrixelLibrary.so.$version" ] || fail "the packaged brixelctl loads '$loaded'"
echo "--- brixelctl --simulate status"
report=$(LD_LIBRARY_PATH=$libdir "$root/usr/bin/brixelctl" --simulate --fresh --state-file "$work/state.json" status) ||
    fail "the packaged brixelctl failed"
echo "$report"
grep -qx "Input : 3840x2160p60" <<<"$report" || fail "unexpected status report"
# Each setting of the service's file is one that brixelctl serve reads from its environment.
serve_help=$(LD_LIBRARY_PATH=$libdir "$root/usr/bin/brixelctl" serve --help)
for name in $(sed -nE 's/^#?(BRIXEL_[A-Z_]+)=.*/\1/p' "$root$settings"); do
    grep -qF "(Env:$name)" <<<"$serve_help" || fail "$settings sets $name, which brixelctl serve does not read"
done
said=$(LD_LIBRARY_PATH=$libdir "$root/usr/bin/brixelctl" --version) || fail "the packaged brixelctl --version failed"
grep -qw -- "$version" <<<"$said" || fail "the packaged brixelctl --version says '$said', not $version"

echo "=== the licence"
# Every package's copyright file is machine-readable, MIT (Expat, as Debian
# names it) with LICENSE's holders and text.
for package in $runtime $dev $tool $python; do
    copyright=$root/usr/share/doc/$package/copyright
    head -n 1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
        fail "$package: the copyright file is not in Debian's machine-readable format"
    grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$source/LICENSE")" "$copyright" ||
        fail "$package: the copyright file does not name LICENSE's holders"
    # The standalone License paragraph, unindented, is LICENSE's text from its permission on.
    text=$(awk '/^License: Expat$/ && blank { on = 1; next } on { print } { blank = $0 == "" }' "$copyright" |
        sed 's/^ //; s/^\.$//')
    [ "$text" = "$(sed -n '/^Permission/,$p' "$source/LICENSE")" ] || fail "$package: the licence text is not LICENSE's"
done
# The notices of what is compiled into the tool and the module, each from its Debian package.
notices() { # PACKAGE, then the Debian packages whose copyright it must carry
    local file=$root/usr/share/doc/$1/THIRD-PARTY-NOTICES from
    shift
    for from in "$@"; do
        grep -q "^[A-Za-z0-9-]*: /usr/share/doc/$from/copyright of $from " "$file" &&
            grep -qF "$(head -n 3 "/usr/share/doc/$from/copyright")" "$file" ||
            fail "$file lacks the notice of $from"
    done
    if grep -q "NOTICE MISSING" "$file"; then fail "$file misses a notice"; fi
}
notices $tool libcli11-dev nlohmann-json3-dev
notices $python pybind11-dev nlohmann-json3-dev

echo "=== pkg-config"
# Plain paths: /usr/include and the system's library directory are pkg-config's own, so left out.
# (Its words, without the blank pkg-config leaves at the end.)
pc() { echo $(PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR=$libdir/pkgconfig pkg-config "$@" BrixelLibrary); }
[ "$(pc --variable=includedir)" = /usr/include ] || fail "the .pc file's includedir is '$(pc --variable=includedir)'"
[ -z "$(pc --cflags)" ] || fail "pkg-config --cflags gives '$(pc --cflags)', not nothing"
[ "$(PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 pc --cflags)" = -I/usr/include ] ||
    fail "pkg-config --cflags with the system's flags gives '$(PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 pc --cflags)'"
[ "$(pc --libs)" = -lBrixelLibrary ] || fail "pkg-config --libs gives '$(pc --libs)'"

# The root stands in for /: pkg-config is told so, as for any staged root.
PKG_CONFIG_SYSROOT_DIR=$root "$source/tests/install/outside_client_check.sh" "$root/usr" \
    "$source/tests/install/outside_client" "$work/outside" c++ "" "$version" ||
    fail "the outside client against the development package"
# Below 1.0 the CMake package takes no request for an earlier minor version.
if [ "$major" = 0 ] && [ "$minor" -gt 0 ]; then
    earlier=0.$((minor - 1))
    if cmake -S "$source/tests/install/outside_client" -B "$work/outside/earlier" -G Ninja -DUSE_PKG_CONFIG=OFF \
        -DCMAKE_PREFIX_PATH="$root/usr" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
        -DWANTED_VERSION=$earlier >"$work/outside/earlier.log" 2>&1; then
        fail "the CMake package of $version accepts a request for $earlier"
    elif grep -qF "compatible with requested version \"$earlier\"" "$work/outside/earlier.log"; then
        echo "the CMake package of $version refuses a request for $earlier"
    else
        cat "$work/outside/earlier.log"
        fail "a request for $earlier failed for another reason than its version"
    fi
fi

echo "=== Python imports the packaged module"
# No run path of its own either: the loader is told where the root's library is.
readelf -d "$root/${module#./}/_native$suffix" | grep -qE 'R(UN)?PATH' && fail "the packaged extension has a run path"
said=$(cd "$work" && PYTHONPATH=$root/usr/lib/python3/dist-packages LD_LIBRARY_PATH=$libdir PYTHONDONTWRITEBYTECODE=1 \
    "$python3" -c '
import brixel
print(brixel.__file__)
print(brixel.__version__)
with brixel.Simulator(), brixel.Device() as dev:
    print(dev.status().input.value)
') || fail "the packaged module does not import and run"
echo "$said"
[ "$(sed -n 1p <<<"$said")" = "$root/${module#./}/__init__.py" ] || fail "Python imported another brixel"
[ "$(sed -n 2p <<<"$said")" = "$version" ] || fail "brixel.__version__ is not $version"
[ "$(sed -n 3p <<<"$said")" = 3840x2160p60 ] || fail "unexpected status from the packaged module"

echo "=== the packaged panel points to the packaged API.md"
LD_LIBRARY_PATH=$libdir "$root/usr/bin/brixelctl" --simulate --fresh --state-file "$work/serve.json" \
    serve --listen 127.0.0.1:0 >"$work/serve.log" 2>&1 &
serve=$!
address=""
for _ in $(seq 300); do
    address=$(sed -nE 's|.*(http://127\.0\.0\.1:[0-9]+/).*|\1|p' "$work/serve.log")
    [ -n "$address" ] && break
    kill -0 "$serve" 2>/dev/null || fail "the packaged brixelctl serve stopped: $(cat "$work/serve.log")"
    sleep 0.1
done
[ -n "$address" ] || fail "the packaged brixelctl serve named no address within 30 s: $(cat "$work/serve.log")"
reply=$("$python3" -c '
import json, sys, urllib.error, urllib.request
try:
    urllib.request.urlopen(sys.argv[1] + "api/no-such-route")
except urllib.error.HTTPError as e:
    print(e.code, json.load(e)["error"])
' "$address" 2>&1) || true
kill "$serve" 2>/dev/null || true
wait "$serve" 2>/dev/null || true
echo "$reply"
# Unpacked under $root, the tool names the copy beside it: as installed, /usr's.
packaged_api=$(realpath "$root")/usr/share/doc/$tool/API.md
grep -qF "404 " <<<"$reply" && grep -qF "($packaged_api)" <<<"$reply" ||
    fail "the panel's 404 does not name $packaged_api ($(cat "$work/serve.log"))"
cmp -s "$root/usr/share/doc/$tool/API.md" "$source/panel/API.md" || fail "the packaged API.md is not panel/API.md"

[ $status -eq 0 ] && echo "=== the Debian packages of $version pass"
exit $status
