// SPDX-License-Identifier: MIT
// brixelctl as a user runs it, one row per case: the arguments, what standard
// input holds, the exit status, and what the output must and must not hold.
// Every command family, the exit contract, the JSON shape, and a row at least
// for every bug that was found in the tool. In the rows, @TMP@ is a folder of
// the test's own (also XDG_STATE_HOME, so the simulated state is kept there),
// @FIX@ the folder of EDID fixtures and @CLI@ the tool tests' own.
//
// The same rows test brixelctl.exe under wine (tests/windows/tool), with the
// folders named as Windows names them (Z:\tmp\...), less the rows that are
// Linux's by nature (tests/windows/tool/windows_exceptions.h).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/run_tool.h"
#ifdef BRIXEL_TOOL_UNDER_WINE
#include "tests/windows/tool/windows_exceptions.h"
#endif

namespace brixel::test {
namespace {

struct Row {
    const char* name;
    std::string arguments;
    std::string input;  // a file for standard input, or nothing
    int exitCode;
    std::vector<std::string> present;
    std::vector<std::string> absent = {};
    std::string state = {};  // the simulated device's state file before the run, when given
};
// Test names and failures show the command line, not the row's bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << "brixelctl " << row.arguments; }

#ifdef BRIXEL_TOOL_UNDER_WINE
// A folder as the tool names it: wine's drive Z: is the Linux root.
std::string toolPath(const std::string& path) {
    std::string name = "Z:" + path;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}
// On the shell's command line, each backslash kept.
std::string onCommandLine(const std::string& path) {
    std::string word;
    for (char c : toolPath(path)) word += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return word;
}
#else
std::string toolPath(const std::string& path) { return path; }
std::string onCommandLine(const std::string& path) { return path; }
#endif

// `forTool`: the folders as the tool is given them; else as the shell reads standard input from them.
std::string replaced(std::string text, const std::string& tmp, bool forTool = false) {
    const auto shown = [forTool](const std::string& path) { return forTool ? onCommandLine(path) : path; };
    const std::pair<std::string, std::string> marks[] = {
        {"@TMP@", shown(tmp)}, {"@FIX@", shown(BRIXEL_TOOLKIT_FIXTURES)}, {"@CLI@", shown(BRIXEL_CLI_FIXTURES)}};
    for (const auto& [mark, value] : marks)
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), value);
    return text;
}

const std::string unusable = "nothing was sent";

// clang-format off
const Row rows[] = {
    // ---- The exit contract ------------------------------------------------------------
    {"confirmed", "--simulate --fresh port 2", "", 0, {"port 2: confirmed by the device"}},
    {"no device is 3, and says so", "--simulate --fresh --devices 0 status", "", 3,
     {"No Brixel reachable.", "no simulated Brixel answered"}, {"no signal"}},
    {"a watch with no device says so", "--simulate --fresh --devices 0 status --watch --count 1", "", 3,
     {"No Brixel reachable. Trying again at each refresh"}},
    {"no device in json", "--simulate --fresh --devices 0 --json status", "", 3,
     {"\"confirmed\": false", "\"error\": \"no simulated Brixel answered", "\"fields\": null"}},
    {"a device that will not open is 3", "--simulate --fresh --fault open port 2", "", 3,
     {"BrixelLibrary warning: Usb device open error!"}},
    {"counting fails is 3", "--simulate --fresh --fault count port 2", "", 3, {"BRIXEL USB not connected!"}},
    {"no reply is 1", "--simulate --fresh --fault noReply port 2", "", 1, {"port 2: NOT confirmed by the device"}},
    {"no answer is not no signal", "--simulate --fresh --fault noReply status", "", 1,
     {"No video report: the device did not answer."}, {"no signal"}},
    {"no answer in json", "--json --simulate --fresh --fault noReply@0 status", "", 1,
     {"\"confirmed\": false", "\"error\": \"the device did not answer\""}},
    {"a wrong echo is 1", "--simulate --fresh --fault wrongEcho@0 port 2", "", 1, {"NOT confirmed"}},
    {"an unplug is 1", "--simulate --fresh --fault unplug@0 info", "", 1, {"firmware version: not read"}},
    {"an unknown fault is a usage error", "--simulate --fresh --fault bogus port 2", "", 2,
     {"no fault is called 'bogus'; the faults are count string open"}},
    {"no device at the path asked for", "--simulate --fresh --device sim:9 port 2", "", 3,
     {"no Brixel is attached at sim:9; `brixelctl list` shows where they are."}},

    // ---- Conventions ------------------------------------------------------------------
    {"an unknown word is named", "frobnicate", "", 2, {"'frobnicate' is not a command of brixelctl"},
     {"A subcommand is required"}},
    {"a typo gets the nearest commands", "stauts", "", 2, {"'stauts' is not a command of brixelctl; did you mean status?"}},
    {"a typo below a command", "edid isntall 2", "", 2,
     {"'isntall' is not a command of brixelctl edid; did you mean install?"}},
    {"a command without its subcommand", "edid", "", 2,
     {"brixelctl edid needs a command: get, sink, set, install, list, export, derive, diff"}},
    {"the version from the build", "--version", "", 0, {"brixelctl " BRIXEL_PROJECT_VERSION "\n"}},
    {"help", "help", "", 0,
     {"Usage: brixelctl [OPTIONS] SUBCOMMAND", "Exit status: 0 when the device confirmed",
      "3 when no Brixel was reachable", "--simulate"},
     {"the command and its subcommands"}},
    {"an unknown option is named", "--bogus", "", 2, {"'--bogus' is not an option of brixelctl"},
     {"A subcommand is required"}},
    {"no device: no word of confirmation", "--simulate --fresh --devices 0 port 2", "", 3,
     {"no simulated Brixel answered"}, {"NOT confirmed"}},
    {"a watch of no reports is refused", "--simulate --fresh status --watch --count 0", "", 2,
     {"--count: a number of reports, 1 or more, not '0'"}, {"1797693"}},
    {"help of a command", "help edid set", "", 0, {"the EDID file, - for standard input", "--fix-checksums"}},
    {"help of no command", "help edid frob", "", 2, {"'frob' is not a command"}},
    {"global options after the command", "status --watch --json --count 1 --simulate --fresh", "", 0,
     {"\"command\":\"status\"", "\"time\":\""}},
    {"count without watch", "--simulate --fresh status --count 2", "", 2, {"--count and --interval go with --watch"}},
    {"keywords in any case", "--simulate --fresh csc YCbCr420", "", 0, {"csc ycbcr420: confirmed by the device"}},
    {"ON for a flag", "--simulate --fresh logo-led ON", "", 0, {"logo-led on: confirmed by the device"}},
    {"PQ and BT2020 to hdr-build", "--simulate --fresh infoframe hdr-build --eotf PQ --primaries BT2020 --print-only",
     "", 0, {"87:01:1A:"}},
    {"quiet leaves out the library's lines", "--simulate --fresh -q edid install 2", "", 0,
     {"installed and selected, confirmed by the device"}, {"BrixelLibrary: EDID custom written..."}},
    {"verbose shows the frames", "-v --simulate --fresh port 2", "", 0,
     {"getNumDevices() -> 0: 1 device", "getProductString(0, flags 0) -> 0: \"2024\"",
      "write(0x1000, 5 bytes 10 04 e0 00 02) -> 0: 5 written", "read(0x1000, 64 bytes) -> 0: 2 bytes e0 00",
      "close(0x1000) -> 0"}},

    // ---- Honest results ---------------------------------------------------------------
    {"a port out of range", "--simulate --fresh port 5", "", 2,
     {"port takes 1|2|3|4, not '5'; `brixelctl set 0 VALUE` sends any value byte 0-255"}},
    {"a depth out of range", "--simulate --fresh deep-color 11", "", 2, {"deep-color takes 8|10|12|16|same, not '11'"}},
    {"on/off refuses 2 and says on|off", "--simulate --fresh logo-led 2", "", 2, {"logo-led takes off|on (or 0|1)"}},
    {"on/off help says on|off", "logo-led --help", "", 0, {"off|on (any case)"}, {"0-255"}},
    {"hdcp 1 is refused", "--simulate --fresh hdcp 1", "", 2, {"hdcp takes auto|1.4|2.2"}},
    {"the raw set applies the library's refusal", "-v --simulate --fresh set 3 1", "", 2,
     {"set 3 1: the library refuses value 1 for code 3 (hdcp) and sends nothing"}, {"usb ", "NOT confirmed"}},
    {"the raw set sends anything else", "--simulate --fresh set 0x16 1", "", 0, {"set 22 1: confirmed by the device"}},
    {"factory reset without a terminal", "--simulate --fresh factory-reset settings", "", 0,
     {"factory-reset settings: confirmed by the device"}},
    {"matrix values the device holds otherwise are warned",
     "--simulate --fresh matrix set -- -16 -4 0 0 0 1 0 0 0 0 1 0", "", 0,
     {"offset1: -16 will read back as 240", "coef11: -4 will read back as 4",
      "             240                4                0                0  # row 1"}},
    {"matrix values outside their fields", "--simulate --fresh matrix set 0 5 0 0 0 0 1 0 0 0 0 1", "", 2,
     {"coef11: 5 is outside -4 to 4"}},
    {"a matrix file from standard input", "--simulate --fresh matrix set --file -", "@CLI@/matrix.txt",
     0, {"matrix set: confirmed by the device", "   -0.212890625 "}},

    // ---- What the signal means --------------------------------------------------------
    {"status says what the source sends", "--simulate --fresh status", "", 0,
     {"Signal: 3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m²\nInput : 3840x2160p60\n",
      "\nAVI InfoFrame: 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00\n"
      "  3840x2160p60 16:9, YCbCr 4:2:0, BT.2020 YCbCr, limited range\n",
      "\nVendor InfoFrame 2: 81:00:05:80:d8:5d:c4:01:00\n  HDMI Forum: ALLM off\n"},
     {"InfoFrame: AVI InfoFrame", "Vendor InfoFrame 1"}},
    {"status --plain is the report alone", "--simulate --fresh status --plain", "", 0,
     {"Display Name: Simulated TV\n", "\nAVI InfoFrame: 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00\nHDR InfoFrame: "},
     {"Signal:", "  3840x2160p60 16:9", "InfoFrame: AVI InfoFrame"}},
    {"status --json decodes each InfoFrame", "--json --simulate --fresh status", "", 0,
     {"\"text\": \"AVI InfoFrame: 82:02:0d:52:", "\"value\": \"82:02:0d:52:", "\"decoded\": {", "\"vic\": 97",
      "\"signal\": {", "\"hdrFormat\": \"HDR10\""}},
    {"decode a frame as the report prints it",
     "infoframe decode 87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01", "", 0,
     {"HDR InfoFrame (Dynamic Range and Mastering): PQ (SMPTE ST 2084), BT.2020 primaries, D65 white,",
      "\n  Header: type 0x87, version 1, length 26, checksum 0x91 (right)\n  EOTF: PQ (SMPTE ST 2084) (2)\n",
      "\n  MaxCLL: 1000 cd/m²\n"},
     {"Problem"}},
    {"decode hex with spaces, unquoted", "infoframe decode 84 01 0a 70 01 00 00 00 00 00 00 00 00 00", "", 0,
     {"Audio InfoFrame: 2 channels, speakers FL FR"}},
    {"decode a binary file and standard input", "infoframe decode @CLI@/hdr10.bin -", "@CLI@/hdr10.bin", 0,
     {"(right)\n  EOTF: PQ (SMPTE ST 2084) (2)", "MaxFALL: 400 cd/m²\n\nHDR InfoFrame (Dynamic Range"}},
    {"decode reads standard input by default", "infoframe decode", "@CLI@/hdr10.bin", 0,
     {"HDR InfoFrame (Dynamic Range and Mastering): PQ"}},
    {"a frame with a problem is 1", "infoframe decode 82:02:0d:00:40:a8:00:00:00:00:00:00:00:00:00:00:00", "", 1,
     {"AVI InfoFrame: ", "  Problem: The checksum is 0x00, but the frame's bytes need 0x87.\n"}},
    {"input that is no InfoFrame is 2", "infoframe decode 82:02:0d:87 hello", "", 2,
     {"1 problem, nothing decoded:\n  frame 2: This is no InfoFrame: "}, {"AVI InfoFrame"}},
    {"an empty input is no InfoFrame", "infoframe decode -", "/dev/null", 2, {"The input is empty"}},
    {"a file that is not there", "infoframe decode @TMP@/frame.bin", "", 2, {"frame.bin"}, {"no InfoFrame"}},
    {"decode in json", "--json infoframe decode 82:02:0d:87:40:a8:00:00:00:00:00:00:00:00:00:00:00", "", 0,
     {"\"command\": \"infoframe decode\"", "\"confirmed\": null", "\"frames\": [", "\"type\": \"AVI\"",
      "\"colorimetry\": {\n          \"code\": 2,\n          \"name\": \"BT.709 YCbCr\""}},
    {"decode in json with a problem is 1", "--json infoframe decode 05:01:00:fa", "", 1,
     {"\"type\": \"unknown\"", "is not an InfoFrame type"}},
    {"avi shows the frame it sends", "--simulate --fresh infoframe avi 82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00",
     "", 0, {"AVI InfoFrame: format not given (VIC 0), YCbCr 4:4:4, BT.709 YCbCr, limited range\n",
      "\n  Colorimetry: BT.709 YCbCr (2)\n", "AVI InfoFrame 82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00: confirmed"}},
    {"hdr with the checksum filled shows it", "--simulate --fresh infoframe hdr --fill-checksum "
     "87:01:1a:00:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01", "", 0,
     {"checksum 0x91 (right)"}, {"note:"}},
    {"a PQ frame without luminance is noted", "--simulate --fresh infoframe hdr-build --max-luminance 0 --min-luminance 0",
     "", 0, {"note: The EOTF is PQ but the frame gives no luminance at all",
      "\n  Max mastering luminance: unknown (0)\n", "confirmed by the device"}, {"Problem:"}},
    {"hdr-build in json has the frame decoded", "--json --simulate --fresh infoframe hdr-build --eotf hlg", "", 0,
     {"\"decoded\": {", "\"name\": \"HLG\""}},

    // ---- Files in and out -------------------------------------------------------------
    {"edid set reads standard input", "--simulate --fresh edid set -", "@FIX@/edid-20.bin", 0,
     {"EDID from standard input: written and confirmed by the device"}},
    {"edid-decode's own output", "--simulate --fresh edid set @FIX@/edid-20.edid-decode.txt", "", 0,
     {"written and confirmed"}},
    {"edid-decode's C array", "--simulate --fresh edid set -", "@FIX@/edid-20.carray.txt", 0, {"written and confirmed"}},
    {"xxd -i", "--simulate --fresh edid set @FIX@/edid-20.xxd-i.txt", "", 0, {"written and confirmed"}},
    {"hexdump -C", "--simulate --fresh edid set @FIX@/edid-23.hexdump-C.txt", "", 0, {"written and confirmed"}},
    {"edid get --decode", "--simulate --fresh edid set @FIX@/edid-20.get-decode.txt", "", 0, {"written and confirmed"}},
    {"a byte-order mark", "--simulate --fresh edid set @FIX@/edid-20.bom.hex", "", 0, {"written and confirmed"},
     {"770 bytes"}},
    {"a base block alone is padded", "--simulate --fresh edid set @FIX@/base-only.bin", "", 0,
     {"padded to 256 bytes with an empty extension block", "written and confirmed"}},
    {"a directory", "--simulate --fresh edid set @FIX@", "", 2, {"is a directory, not a file"},
     {"basic_filebuf"}},
    {"an endless file", "--simulate --fresh edid set /dev/zero", "", 2, {"/dev/zero holds more than the 1 MiB"}},
    {"an endless random file", "--simulate --fresh edid set /dev/urandom", "", 2,
     {"/dev/urandom holds more than the 1 MiB"}},
    {"an endless matrix file", "--simulate --fresh matrix set --file /dev/zero", "", 2,
     {"/dev/zero holds more than the 64 KiB"}},
    {"an output that cannot be written costs no exchange", "-v --simulate --fresh edid get -o @TMP@/no/such/dir/e.bin",
     "", 2, {"--output: cannot write"}, {"usb "}},
    {"edid export to standard output", "edid export 20 -", "", 0, {"BRIXEL"}, {"written to -"}},
    {"edid get to standard output", "--simulate --fresh edid get -o -", "", 0, {std::string("\0\xff\xff\xff\xff\xff\xff\0", 8)}, {"written to -"}},
    {"bytes and json never share standard output", "--json --simulate --fresh edid get -o -", "", 2,
     {"--output: - writes the bytes to standard output, where --json writes its document"}, {"BRIXEL"}},
    {"nor when exported", "--json edid export 20 -", "", 2, {"where --json writes its document"}, {"BRIXEL"}},
    {"a hex export may go to standard output with json", "--json edid export 20 - --hex", "", 0,
     {"\"command\": \"edid export\"", "00 ff ff ff ff ff ff 00"}},
    {"edid get --check", "--simulate --fresh edid get --check", "", 0, {"EDID conformity: PASS"}},

    // ---- EDIDs made from others -------------------------------------------------------
    {"derive from a built-in EDID needs no device", "--simulate --fresh --devices 0 edid derive --from builtin:20 "
     "--name Lounge --drop audio", "", 0,
     {"4 changes from built-in EDID 20 (1080p60-multi):\n  Display name: BRIXEL \u2192 Lounge\n  CTA: basic audio "
      "removed\n", "checks: passed\n  the model: nothing new\n"},
     {"no simulated Brixel", "written"}},
    {"derive from a built-in EDID by its name", "edid derive --from 1080p60-multi --serial 42", "", 0,
     {"1 change from built-in EDID 20 (1080p60-multi):\n  Serial number: 1 \u2192 42\n"}},
    {"derive from the display needs a device", "--simulate --fresh --devices 0 edid derive --from sink --name Lounge",
     "", 3, {"no simulated Brixel answered"}, {"changes from"}},
    {"derive from a file, several values to one edit", "edid derive --from @FIX@/edid-20.bin --remove-vic 4 16 "
     "--drop hdr,3d", "", 0, {"Video: VIC 4 (1280x720p60) removed", "Video: VIC 16 (1920x1080p60) removed",
     "note: --drop hdr: this EDID has none of"}},
    {"derive from a hex file on standard input", "edid derive --from - --week 7", "@FIX@/edid-20.carray.txt", 0,
     {"1 change from the given EDID:\n  Week: "}},
    {"an edit given twice", "edid derive --from builtin:2 --name A --name B", "", 2, {"--name"}},
    {"an edit's value refused with the editor's sentence", "--simulate --fresh edid derive --from sink "
     "--max-tmds 7 --write", "", 2, {"The TMDS limit is 25 to 1275 MHz in steps of 5 MHz"}, {"written"}},
    {"an edit the EDID cannot take", "edid derive --from builtin:20 --preferred 200", "", 2,
     {"the edits cannot be made:\n  VIC 200 (7680x4320p100) is not in the Video Data Block"}},
    {"a source that names nothing", "edid derive --from no-such-edid.bin --name X", "", 2,
     {"--from: cannot read no-such-edid.bin"}},
    {"a bare number is no source", "edid derive --from 20 --name X", "", 2, {"--from: cannot read 20"}},
    {"derive and write, read back", "--simulate --fresh edid derive --from builtin:20 --name Lounge --write", "", 0,
     {"EDID derived from built-in EDID 20 (1080p60-multi): written, confirmed by the device and read back",
      "BrixelLibrary: EDID custom written..."}},
    {"a dry run writes nothing", "-v --simulate --fresh edid derive --from builtin:20 --name Lounge --write --dry-run",
     "", 0, {"Display name: BRIXEL \u2192 Lounge", "dry run: nothing was written"}, {"usb ", "EDID custom written"}},
    {"derive to standard output", "edid derive --from builtin:20 --name Lounge -o -", "", 0,
     {std::string("\0\xff\xff\xff\xff\xff\xff\0", 8), "1 change from"}, {"written to -"}},
    {"derive in json", "--json edid derive --from builtin:20 --max-tmds 165", "", 0,
     {"\"command\": \"edid derive\"", "\"confirmed\": null", "\"changes\": [", "\"checks\": {",
      "\"edid\": \"00 ff ff ff ff ff ff 00", "\"source\": \"built-in EDID 20 (1080p60-multi)\"",
      "\"written\": false"}},
    {"derive without edits says so", "edid derive --from builtin:20", "", 0,
     {"no differences from built-in EDID 20", "note: no edits asked for"}},
    {"the difference between two built-in EDIDs", "--simulate --fresh --devices 0 edid diff builtin:20 builtin:21", "",
     0, {"from built-in EDID 20 (1080p60-multi) to built-in EDID 21 (1080p60-hdr-stereo):\n  Audio: ",
      "  CTA: HDR Static Metadata Data Block added\n"}},
    {"the difference between the display and the device", "--simulate --fresh edid diff sink device", "", 0,
     {"6 changes from the display's EDID to the device's EDID:\n  Manufacturer: SIM \u2192 BRX\n"}},
    {"no difference", "edid diff builtin:20 @FIX@/edid-20.bin", "", 0, {"no differences from built-in EDID 20"}},
    {"a difference in json", "--json edid diff builtin:20 builtin:20", "", 0,
     {"\"command\": \"edid diff\"", "\"changes\": []", "\"before\": \"built-in EDID 20 (1080p60-multi)\""}},

    // ---- One JSON shape ---------------------------------------------------------------
    {"usage errors in json", "--json --simulate --fresh port 9", "", 2,
     {"\"command\": \"port\"", "\"confirmed\": null", "\"error\": \"port takes 1|2|3|4, not '9'"}},
    {"an unknown word in json", "--json frobnicate", "", 2, {"\"error\": \"'frobnicate' is not a command"}},
    {"edid list is an object", "--json edid list", "", 0,
     {"\"command\": \"edid list\"", "\"confirmed\": null", "\"entries\": [", "\"name\": \"1080p60-multi\""}},
    {"info has its command and the firmware as numbers", "--json --simulate --fresh info", "", 0,
     {"\"command\": \"info\"", "\"version\": {", "\"major\": 1", "\"minor\": 5"}},
    {"status has its command and parsed values", "--json --simulate --fresh status", "", 0,
     {"\"command\": \"status\"", "\"width\": 3840", "\"pixelClockKhz\": 371250", "\"hdcp\": \"2.2\"",
      "\"value\": \"Simulated TV\""}},
    {"hdr-build --print-only sends nothing", "--json --simulate --fresh infoframe hdr-build --print-only", "", 0,
     {"\"confirmed\": null", "\"sent\": false"}},
    {"a setting in json", "--json --simulate --fresh hdcp 2.2", "", 0,
     {"\"command\": \"hdcp\"", "\"confirmed\": true", "\"value\": 3", "\"messages\": []", "\"warnings\": []"}},

    // ---- Several devices --------------------------------------------------------------
    {"list shows every simulated device", "--simulate --fresh --devices 2 list", "", 0,
     {"sim:1  Brixel (serial \"2024\"), can be opened", "sim:2  Brixel (serial \"2024\"), can be opened"}},
    {"list in json", "--json --simulate --fresh --devices 2 --fault open list", "", 3,
     {"\"path\": \"sim:2\"", "\"opens\": false"}},
    {"options of the simulator need --simulate", "--fresh port 2", "", 2,
     {"--fresh is for the simulated device: add --simulate"}},
    {"the state file needs --simulate", "--state-file @TMP@/s.json port 2", "", 2,
     {"--state-file is for the simulated device"}},
    {"devices need --simulate", "--devices 2 list", "", 2, {"--devices is for the simulated device"}},

    // ---- State files checked value by value -------------------------------------------
    {"a byte of 256", "--simulate info", "", 2, {"firmware.0: 256 is not a whole number 0-255"}, {},
     R"({"firmware": [256, 5]})"},
    {"a byte of 1e300", "--simulate status", "", 2, {"report.ports.0.videoCode: 1e+300 is not a whole number 0-255"},
     {}, R"({"report": {"ports": [{"videoCode": 1e300}]}})"},
    {"a byte of -1", "--simulate matrix get", "", 2, {"matrix.wire.3: -1 is not a whole number 0-255"}, {},
     R"({"matrix": {"wire": [0,0,0,-1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]}})"},
    {"a scripted block byte out of range", "--simulate status", "", 2,
     {"report.scriptedBlocks.21.2: 300 is not a whole number 0-255"}, {},
     R"({"report": {"scriptedBlocks": {"21": [1, 2, 300]}}})"},
    {"an InfoFrame of the wrong type", "--simulate status", "", 2,
     {"infoFrames.avi: not a list of at most 64 bytes (string)"}, {}, R"({"infoFrames": {"avi": "82:02"}})"},
    {"a section in the wrong place", "--simulate status", "", 2,
     {"setings: not a field of the simulated device's state here"}, {}, R"({"setings": []})"},
    {"a state that is no JSON is named with where it breaks", "--simulate status", "", 2,
     {"simulated-device.json is not a simulated device state (its JSON breaks off at line 2, column 3)",
      "nothing is written over it"}, {"json.exception"}, "{\"firmware\": [1, 5],\n  oops}"},
    {"a flag that is not true or false", "--simulate status", "", 2,
     {"report.display2160p: 1 is not true or false"}, {}, R"({"report": {"display2160p": 1}})"},
};
// clang-format on

class CommandTable : public testing::TestWithParam<Row> {
protected:
    std::filesystem::path tmp =
        std::filesystem::temp_directory_path() / ("brixelctl-table-" + std::to_string(::getpid()));
    void SetUp() override {
        std::filesystem::remove_all(tmp);
        std::filesystem::create_directories(tmp / "brixelctl");
        ::setenv("XDG_STATE_HOME", toolPath(tmp.string()).c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(tmp); }
};

TEST_P(CommandTable, ExitsAndSaysWhatTheRowSays) {
    const Row& row = GetParam();
#ifdef BRIXEL_TOOL_UNDER_WINE
    for (const auto& [name, reason] : windowsExceptions)
        if (name == row.name) GTEST_SKIP() << "Linux's by nature: " << reason;
#endif
    if (row.arguments.find("--check") != std::string::npos && std::system("command -v edid-decode >/dev/null") != 0)
        GTEST_SKIP() << "edid-decode is not installed";
    if (!row.state.empty()) std::ofstream(tmp / "brixelctl" / "simulated-device.json") << row.state;
    const auto run = runTool(replaced(row.arguments, tmp.string(), true), replaced(row.input, tmp.string()));
    EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
    for (const auto& fragment : row.present)
        EXPECT_NE(run.output.find(replaced(fragment, tmp.string())), std::string::npos)
            << "missing: " << fragment << "\n"
            << run.output;
    for (const auto& fragment : row.absent)
        EXPECT_EQ(run.output.find(fragment), std::string::npos) << "present: " << fragment << "\n" << run.output;
    EXPECT_FALSE(std::filesystem::exists("-")) << "a file named - was made";
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandTable, testing::ValuesIn(rows), [](const auto& p) {
    std::string name;
    for (char c : std::string(p.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

}  // namespace
}  // namespace brixel::test
