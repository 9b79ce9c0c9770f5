#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows SDK archives cpack makes from a Windows build: exactly the SDK's
# files, the only SiUSBXp.dll among them the stand-in in simulator/, the
# licence and the notices; `cmake --install` gives the same; the DLL
# stripped, with the project's version in its version resource, its exports
# those the .def lists, naming its debugging information, which the -debug.zip
# holds; an MSVC-style client (clang for the MSVC target, lld-link) builds
# against the unpacked headers and lib/BrixelLibrary.lib alone, and a CMake
# project through the SDK's CMake package, which a mingw compiler is refused.
# Leaves WORK_DIR/run/msvc_client.exe beside the SDK's DLL and the tests'
# stand-in SiUSBXp.dll, and WORK_DIR/sdk_client/build/sdk_client.exe beside the
# SDK's DLL and its stand-in, for the tests that run them under wine.
#   check_windows_sdk.sh BUILD_DIR WORK_DIR VERSION ARCH SOURCE_DIR CLANG MSVC_TARGET
#                        LLD_LINK LLVM_DLLTOOL LLVM_MACHINE WINDRES OBJDUMP BUILT_DLL
#                        TESTS_STAND_IN_DLL MINGW_CXX
set -euo pipefail
build=$1 work=$2 version=$3 arch=$4 source=$5 clang=$6 msvc_target=$7
lld_link=$8 dlltool=$9 llvm_machine=${10} windres=${11} objdump=${12} built_dll=${13} stand_in=${14}
mingw_cxx=${15}
addr2line=${objdump%objdump}addr2line

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
debug_archive=$work/cpack/$name-debug.zip
made=$(cd "$work/cpack" && ls -- *.zip)
[ "$made" = "$(printf '%s\n' "$name-debug.zip" "$name.zip")" ] || { echo "cpack made:"; echo "$made"; exit 1; }
mkdir -p "$work/unpacked" "$work/debug"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
(cd "$work/debug" && cmake -E tar xf "$debug_archive")
sdk=$work/unpacked/$name

echo "=== files of $name.zip ($(stat -c %s "$archive") bytes)"
list() { (cd "$1" && find . -type f | sort); }
# The help text is written by the tool under wine: none where this machine
# runs no program of this width (the build said so and left a marker).
help=./bin/brixelctl-help.txt
[ -f "$build/cli/brixelctl-help.txt.skipped" ] && help=""
expected=$(printf '%s\n' ./CHANGELOG.md ./README.txt ./LICENSE.txt ./THIRD-PARTY-NOTICES.txt ./bin/BrixelLibrary.dll \
    ./bin/brixelctl.exe $help ./doc/API.md \
    ./include/BrixelLibrary.h ./include/BrixelPlatform.h ./lib/BrixelLibrary.def ./lib/BrixelLibrary.lib \
    ./lib/cmake/BrixelLibrary/BrixelLibraryConfig.cmake ./lib/cmake/BrixelLibrary/BrixelLibraryConfigVersion.cmake \
    ./simulator/SiUSBXp.dll | sort)
found=$(cd "$work/unpacked" && find . -type f | sort)
[ "$found" = "$(sed "s|^\./|./$name/|" <<<"$expected")" ] || { fail "the archive holds:"; echo "$found"; }

echo "=== files of $name-debug.zip ($(stat -c %s "$debug_archive") bytes)"
found=$(cd "$work/debug" && find . -type f | sort)
[ "$found" = "$(printf '%s\n' "./$name/LICENSE.txt" "./$name/bin/BrixelLibrary.dll.debug")" ] ||
    { fail "the debug archive holds:"; echo "$found"; }

echo "=== the licence and the notices"
cmp -s "$sdk/LICENSE.txt" "$source/LICENSE" || fail "LICENSE.txt is not LICENSE"
cmp -s "$work/debug/$name/LICENSE.txt" "$source/LICENSE" || fail "the debug archive's LICENSE.txt is not LICENSE"
notices=$sdk/THIRD-PARTY-NOTICES.txt
runtime_package=mingw-w64-$([ "$arch" = x64 ] && echo x86-64 || echo i686)-dev
# nlohmann-json only if its code came into the stand-in (its exceptions' texts tell).
compiled_in=("$runtime_package")
grep -qF "[json.exception." <<<"$(strings "$sdk/simulator/SiUSBXp.dll")" && compiled_in+=(nlohmann-json3-dev)
# brixelctl.exe: the tool's libraries, cpp-httplib from Debian's source package.
compiled_in+=(libcli11-dev nlohmann-json3-dev)
for from in "${compiled_in[@]}"; do
    grep -q "^.*: /usr/share/doc/$from/copyright of $from " "$notices" || fail "THIRD-PARTY-NOTICES.txt lacks $from"
done
grep -q "^cpp-httplib: .*/debian/copyright of cpp-httplib " "$notices" || fail "THIRD-PARTY-NOTICES.txt lacks cpp-httplib"
grep -q "NOTICE MISSING" "$notices" && fail "THIRD-PARTY-NOTICES.txt misses a notice"

echo "=== simulator/SiUSBXp.dll, the stand-in"
# The only SiUSBXp.dll of the archive; it says what it is, and it is the simulator.
grep -i siusbxp.dll <<<"$(cd "$work/unpacked" && find . -type f)" | grep -vqx "./$name/simulator/SiUSBXp.dll" &&
    fail "a SiUSBXp.dll outside simulator/"
"$windres" --input-format=coff --output-format=rc -i "$sdk/simulator/SiUSBXp.dll" -o "$work/stand-in.rc"
grep -qF 'VALUE "FileDescription", "Simulated Brixel: a stand-in for SiUSBXp.dll' "$work/stand-in.rc" &&
    grep -qF "Never ship it" "$work/stand-in.rc" || fail "the stand-in's version resource does not say what it is"
grep -q ' simAddDevice$' <<<"$("$objdump" -p "$sdk/simulator/SiUSBXp.dll")" || fail "simulator/SiUSBXp.dll is not the simulator"
grep -q '^\[' <<<"$("$objdump" --syms "$sdk/simulator/SiUSBXp.dll")" && fail "the stand-in keeps its symbol table"

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

echo "=== the debugging information apart"
debug_file=$work/debug/$name/bin/BrixelLibrary.dll.debug
grep -q '\.debug_info' <<<"$("$objdump" --section-headers "$debug_file")" ||
    fail "BrixelLibrary.dll.debug holds no DWARF"
# The stripped DLL names it, with the CRC of its bytes, as gdb checks them.
link=$("$objdump" --full-contents --section=.gnu_debuglink "$dll" | sed -nE 's/^ [0-9a-f]+ (([0-9a-f]{8} ?)+).*/\1/p' |
    tr -d ' \n')
python3 - "$link" "$debug_file" <<'EOF' || fail "the DLL's .gnu_debuglink does not name BrixelLibrary.dll.debug with its CRC"
import sys, zlib
link = bytes.fromhex(sys.argv[1])
name, rest = link.split(b"\0", 1)
crc = int.from_bytes(link[-4:], "little")
with open(sys.argv[2], "rb") as f:
    actual = zlib.crc32(f.read())
print(f"the DLL names {name.decode()} (CRC {crc:08x}; the file's {actual:08x})")
sys.exit(0 if name == b"BrixelLibrary.dll.debug" and crc == actual else 1)
EOF
# What a developer does with it: an address inside the DLL to its function
# and source line (here that of an export, from the DLL's own export table).
headers=$("$objdump" -p "$dll")
export_index=$(sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] \?setActivePort@@.*/\1/p' <<<"$headers")
export_rva=$(sed -nE "s/^[[:space:]]*\\[ *${export_index:-none}\\] \\+base\\[ *[0-9]+\\] +([0-9a-f]+) Export RVA\$/\\1/p" \
    <<<"$headers")
image_base=$(sed -nE 's/^ImageBase[[:space:]]+([0-9a-f]+)$/\1/p' <<<"$headers")
where=""
if [ -n "$export_rva" ] && [ -n "$image_base" ]; then
    where=$("$addr2line" -f -e "$debug_file" "0x$(printf '%x' $((0x$image_base + 0x$export_rva)))")
fi
echo "setActivePort's address: $(tr '\n' ' ' <<<"$where")"
grep -q "settings/.*\.cpp:[0-9]" <<<"$where" || fail "addr2line does not find setActivePort's source line"
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
for word in "SiUSBXp.dll" "MessageBoxW" "must not overlap" "lib\\BrixelLibrary.lib" "simulator\\SiUSBXp.dll" \
    "never ship it" "find_package(BrixelLibrary" "$name-debug.zip" "LICENSE.txt" "THIRD-PARTY-NOTICES.txt" \
    "brixelctl --simulate status" "brixelctl --simulate serve"; do
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

echo "=== a CMake project through the SDK's CMake package"
# Clang for the MSVC target, linked by lld-link, no C runtime: a Visual C++
# build as this machine can make one. The project finds the package with the
# unpacked SDK on its prefix path and nothing else.
client=$work/sdk_client
mkdir -p "$client"
"$dlltool" -m "$llvm_machine" -k -d "$source/tests/windows/kernel32-$arch.def" -l "$client/kernel32.lib"
cat >"$client/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $([ "$arch" = x64 ] && echo AMD64 || echo X86))
set(CMAKE_CXX_COMPILER $clang)
set(CMAKE_CXX_COMPILER_TARGET $msvc_target)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_CXX_FLAGS_INIT "-ffreestanding -fno-exceptions -fno-rtti -Wall -Wextra -Werror")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -Wl,/entry:clientMain,/subsystem:console,/nodefaultlib")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
EOF
if cmake -S "$source/tests/packaging/sdk_client" -B "$client/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$client/toolchain.cmake" -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DWANTED_VERSION="${version%.*}" -DSYSTEM_LIBRARIES="$client/kernel32.lib" >"$client/configure.log" 2>&1 &&
    cmake --build "$client/build" >"$client/build.log" 2>&1; then
    grep -qx -- "-- Found BrixelLibrary version $version" "$client/configure.log" || fail "the CMake package is not of $version"
    for file in sdk_client.exe BrixelLibrary.dll SiUSBXp.dll; do
        [ -f "$client/build/$file" ] || fail "the client's build folder lacks $file"
    done
    cmp -s "$client/build/SiUSBXp.dll" "$sdk/simulator/SiUSBXp.dll" || fail "BrixelLibrary_SIMULATOR is not the stand-in"
    echo "built $client/build/sdk_client.exe with the SDK's DLL and stand-in beside it"
else
    cat "$client/configure.log" "$client/build.log" 2>/dev/null
    fail "the CMake project against the SDK"
fi
# Another architecture of the same pointer size (ARM) is told which SDK it needs.
other_target=$([ "$arch" = x64 ] && echo aarch64-pc-windows-msvc || echo thumbv7-pc-windows-msvc)
sed "s|^set(CMAKE_CXX_COMPILER_TARGET .*|set(CMAKE_CXX_COMPILER_TARGET $other_target)|" "$client/toolchain.cmake" \
    >"$client/other.cmake"
if cmake -S "$source/tests/packaging/sdk_client" -B "$client/other" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$client/other.cmake" \
    -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$client/other.log" 2>&1; then
    fail "the CMake package takes a build for $other_target"
elif ! grep -qF "this BrixelLibrary SDK is for $arch" "$client/other.log" ||
    ! grep -qE "builds for [A-Z]" "$client/other.log"; then
    cat "$client/other.log"
    fail "the CMake package refuses $other_target for another reason"
fi
# The DLL's names are Visual C++'s: a mingw compiler is told so instead of failing to link.
cat >"$client/mingw.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_CXX_COMPILER $mingw_cxx)
EOF
if cmake -S "$source/tests/packaging/sdk_client" -B "$client/mingw" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$client/mingw.cmake" \
    -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$client/mingw.log" 2>&1; then
    fail "the CMake package takes a mingw compiler"
elif ! grep -qF "exports Visual C++'s decorated names" "$client/mingw.log"; then
    cat "$client/mingw.log"
    fail "the CMake package refuses a mingw compiler for another reason"
fi

[ $status -eq 0 ] && echo "=== the SDK archive $name.zip passes"
exit $status
