#!/usr/bin/env bash
# The Windows SDK archive cpack makes from a Windows build: exactly the SDK's
# files and never the stand-in SiUSBXp.dll; `cmake --install` gives the same;
# the DLL stripped, with the project's version in its version resource, its
# exports those the .def lists; an MSVC-style client (clang for the MSVC target,
# lld-link) builds against the unpacked headers and lib/BrixelLibrary.lib alone.
# Leaves WORK_DIR/run/msvc_client.exe beside the SDK's DLL and the stand-in
# SiUSBXp.dll, for the test that runs it under wine.
#   check_windows_sdk.sh BUILD_DIR WORK_DIR VERSION ARCH SOURCE_DIR CLANG MSVC_TARGET
#                        LLD_LINK LLVM_DLLTOOL LLVM_MACHINE WINDRES OBJDUMP BUILT_DLL STAND_IN_DLL
set -euo pipefail
build=$1 work=$2 version=$3 arch=$4 source=$5 clang=$6 msvc_target=$7
lld_link=$8 dlltool=$9 llvm_machine=${10} windres=${11} objdump=${12} built_dll=${13} stand_in=${14}

status=0
fail() {
    echo "FAIL: $*"
    status=1
}

rm -rf "$work"
mkdir -p "$work"
echo "=== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" || { cat "$work/cpack.log"; exit 1; }
name=BrixelLibrary-$version-windows-$arch
archive=$work/cpack/$name.zip
[ -f "$archive" ] || { echo "no $archive; cpack made:"; ls "$work/cpack"; exit 1; }
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
sdk=$work/unpacked/$name

echo "=== files of $name.zip ($(stat -c %s "$archive") bytes)"
list() { (cd "$1" && find . -type f | sort); }
expected=$(printf '%s\n' ./CHANGELOG.md ./README.txt ./bin/BrixelLibrary.dll ./bin/brixelctl.exe \
    ./bin/brixelctl-help.txt ./include/BrixelLibrary.h \
    ./include/BrixelPlatform.h ./lib/BrixelLibrary.def ./lib/BrixelLibrary.lib | sort)
found=$(cd "$work/unpacked" && find . -type f | sort)
[ "$found" = "$(sed "s|^\./|./$name/|" <<<"$expected")" ] || { fail "the archive holds:"; echo "$found"; }
grep -qi siusbxp.dll <<<"$found" && fail "the archive holds a SiUSBXp.dll"

echo "=== cmake --install gives the same"
cmake --install "$build" --prefix "$work/installed" >/dev/null
[ "$(list "$work/installed")" = "$expected" ] || { fail "cmake --install gives:"; list "$work/installed"; }
diff -r "$sdk" "$work/installed" >/dev/null || fail "cmake --install and the archive differ"

echo "=== the DLL"
dll=$sdk/bin/BrixelLibrary.dll
echo "$(stat -c %s "$built_dll") bytes as built, $(stat -c %s "$dll") bytes stripped"
# (Each output is read whole: grep -q would leave objdump writing to a closed pipe.)
grep -q '^\[' <<<"$("$objdump" --syms "$built_dll")" || fail "the built DLL has no symbol table, so stripping shows nothing"
grep -q '^\[' <<<"$("$objdump" --syms "$dll")" && fail "the SDK's DLL keeps its symbol table"
grep -q '\.debug' <<<"$("$objdump" --section-headers "$dll")" && fail "the SDK's DLL keeps debugging sections"
# Its exports are those the shipped .def names, nothing else.
exported=$("$objdump" -p "$dll" | sed -nE 's/^[[:space:]]*\[ *[0-9]+\] +(\?[^ ]+)$/\1/p' | sort)
listed=$(sed -nE 's/^[[:space:]]+(\?[^ ]+)$/\1/p' "$sdk/lib/BrixelLibrary.def" | sort)
[ -n "$listed" ] && [ "$exported" = "$listed" ] || fail "the DLL's exports and lib/BrixelLibrary.def differ"
cmp -s "$sdk/lib/BrixelLibrary.def" "$build/exports/BrixelLibrary-msvc.def" ||
    fail "lib/BrixelLibrary.def is not the generated BrixelLibrary-msvc.def"

# The version resource, read back as resource text: the numbers and the texts.
"$windres" --input-format=coff --output-format=rc -i "$dll" -o "$work/version.rc"
IFS=. read -r major minor patch <<<"$version"
for line in "FILEVERSION $major, $minor, $patch, 0" "PRODUCTVERSION $major, $minor, $patch, 0" \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    "VALUE \"OriginalFilename\", \"BrixelLibrary.dll\""; do
    grep -qF -- "$line" "$work/version.rc" || fail "the version resource lacks: $line"
done
grep -qE 'FILETYPE +0x2$' "$work/version.rc" || fail "the version resource does not say it is a DLL (VFT_DLL)"

echo "=== README.txt"
first=$(head -n 1 "$sdk/README.txt")
[ "$first" = "BrixelLibrary $version for Windows, $arch" ] || fail "README.txt begins '$first'"
for word in "SiUSBXp.dll" "MessageBoxW" "must not overlap" "lib\\BrixelLibrary.lib" "brixelctl --simulate status" \
    "brixelctl --simulate serve"; do
    grep -qF -- "$word" "$sdk/README.txt" || fail "README.txt does not mention $word"
done

echo "=== an MSVC-style client against the SDK alone"
# The client's own second header, of the stand-in's controls, in a folder of its own.
mkdir -p "$work/client/sim/siusbxp" "$work/run"
cp "$source/sim/siusbxp/sim_control.h" "$work/client/sim/siusbxp/"
machine=$arch
"$dlltool" -m "$llvm_machine" -k -d "$source/tests/windows/kernel32-$arch.def" -l "$work/client/kernel32.lib"
"$clang" --target="$msvc_target" -std=c++20 -O2 -ffreestanding -fno-exceptions -fno-rtti -Wall -Wextra -Werror \
    -I"$sdk/include" -I"$work/client" -c "$source/tests/windows/msvc_client.cpp" -o "$work/client/msvc_client.obj"
"$lld_link" /nologo /nodefaultlib /subsystem:console /entry:clientMain /machine:"$machine" \
    /out:"$work/run/msvc_client.exe" "$work/client/msvc_client.obj" "$sdk/lib/BrixelLibrary.lib" "$work/client/kernel32.lib"
cp "$dll" "$work/run/"
# For the run only: the simulated device behind the vendor's ten operations.
cp "$stand_in" "$work/run/SiUSBXp.dll"
echo "built $work/run/msvc_client.exe"

[ $status -eq 0 ] && echo "=== the SDK archive $name.zip passes"
exit $status
