#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# brixelctl.exe from the unpacked SDK, under wine, as its README tells a
# Windows user to start: `brixelctl --simulate status` and `brixelctl
# --simulate serve` from bin\, with no SiUSBXp.dll of the vendor's, the SDK's
# stand-in in simulator\ (put there for the run when the archive has none).
#   check_windows_sdk_tool.sh SDK_DIR WORK_DIR ARCH WINE_RUN STAND_IN_DLL
set -euo pipefail
sdk=$1 work=$2 arch=$3 wine_run=$4 stand_in=$5
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
rm -rf "$work"
mkdir -p "$work"
cp -r "$sdk" "$work/sdk"
[ -f "$work/sdk/simulator/SiUSBXp.dll" ] || { mkdir -p "$work/sdk/simulator" && cp "$stand_in" "$work/sdk/simulator/"; }
export XDG_STATE_HOME="Z:${work//\//\\}" LANG=C.UTF-8
cd "$work/sdk/bin"

echo "=== brixelctl --simulate status"
run_status=0
out=$("$wine_run" "$arch" brixelctl.exe --simulate status) || run_status=$?
if [ $run_status -eq 77 ]; then
    echo "$out"  # wine-run's reason
    exit 77
fi
[ $run_status -eq 0 ] || fail "brixelctl --simulate status exits with $run_status"
echo "$out" | head -n 3
grep -q "Display Name: Simulated TV" <<<"$out" || fail "no report from the simulated device"

echo "=== brixelctl --simulate serve"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
BRIXEL_LISTEN=127.0.0.1:$port BRIXEL_WINE_DIRECT=1 "$wine_run" "$arch" brixelctl.exe --simulate serve >"$work/serve.log" 2>&1 &
server=$!
page=""
for _ in $(seq 1 120); do
    page=$(curl -sf "http://127.0.0.1:$port/" 2>/dev/null) && break
    sleep 0.5
done
info=$(curl -sf "http://127.0.0.1:$port/api/info" || true)
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
cat "$work/serve.log"
grep -q "the panel is at http://127.0.0.1:$port/" "$work/serve.log" || fail "serve did not say where the panel is"
grep -q "<html" <<<"$page" || fail "the panel's page did not come"
grep -q '"confirmed":true' <<<"$info" || fail "the API did not answer from the simulated device: $info"

echo "=== brixelctl-help.txt"
help=$work/sdk/bin/brixelctl-help.txt
if [ -f "$help" ]; then
    for word in "Usage: brixelctl [OPTIONS] SUBCOMMAND" "brixelctl edid set" "brixelctl serve" "--simulate"; do
        grep -qF -- "$word" "$help" || fail "brixelctl-help.txt does not hold $word"
    done
else
    fail "bin/brixelctl-help.txt is missing"
fi
exit $status
