// SPDX-License-Identifier: MIT
// brixelctl.exe under wine, for what the table's rows cannot show: runs at
// the same time keeping every change, names that are not ASCII, input with
// CRLF line ends, the state under %LOCALAPPDATA%, a missing SiUSBXp.dll, and
// serve's API from the Linux side over loopback.

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_tool.h"

namespace brixel::test {
namespace {

namespace fs = std::filesystem;

// A Linux path as the tool names it (wine's Z: is the Linux root), quoted for the shell.
std::string windowsName(const fs::path& path) {
    std::string name = "Z:" + path.string();
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}
std::string quoted(const fs::path& path) { return "'" + windowsName(path) + "'"; }

nlohmann::json readJson(const fs::path& file) {
    std::ifstream in(file);
    return nlohmann::json::parse(in);
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UnderWine : public testing::Test {
protected:
    fs::path tmp = fs::temp_directory_path() / ("brixelctl-wine-" + std::to_string(::getpid()));
    fs::path state = tmp / "state.json";
    void SetUp() override {
        fs::remove_all(tmp);
        fs::create_directories(tmp / "brixelctl");
        ::setenv("XDG_STATE_HOME", windowsName(tmp).c_str(), 1);
    }
    void TearDown() override { fs::remove_all(tmp); }
    std::string simulated() const { return "--simulate --state-file " + quoted(state) + " "; }
};

TEST_F(UnderWine, ConcurrentChangesAreAllKept) {
    ASSERT_EQ(runTool(simulated() + "--fresh info").exitCode, 0);
    const int codes[] = {13, 15, 16, 17, 19, 49};
    std::vector<std::future<ToolRun>> runs;
    for (int code : codes)
        runs.push_back(std::async(std::launch::async, [this, code] {
            return runTool(simulated() + "set " + std::to_string(code) + " " + std::to_string(code % 7 + 1));
        }));
    for (auto& r : runs) {
        const auto run = r.get();
        EXPECT_EQ(run.exitCode, 0) << run.output;
    }
    const auto settings = readJson(state).at("settings").get<std::vector<int>>();
    for (int code : codes) EXPECT_EQ(settings.at(code), code % 7 + 1) << "code " << code;
    // Every run's remembered setting is there too, under its own lock.
    const auto remembered = readJson(tmp / "brixelctl" / "remembered-settings.json");
    ASSERT_EQ(remembered.size(), 1u) << remembered.dump();
    EXPECT_EQ(remembered.begin()->size(), std::size(codes)) << remembered.dump();
    // No temporary file is left beside the state.
    for (const auto& entry : fs::directory_iterator(tmp))
        EXPECT_TRUE(entry.path() == state || entry.path() == tmp / "brixelctl" ||
                    entry.path().string() == state.string() + ".lock")
            << entry.path();
}

TEST_F(UnderWine, NamesThatAreNotAscii) {
    const fs::path edid = tmp / "écran テレビ.bin";
    fs::copy_file(fs::path(BRIXEL_TOOLKIT_FIXTURES) / "edid-20.bin", edid);
    const fs::path nonAsciiState = tmp / "état-状態.json";
    const std::string sim = "--simulate --state-file " + quoted(nonAsciiState) + " ";
    auto run = runTool(sim + "--fresh edid set " + quoted(edid));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("written and confirmed"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::exists(nonAsciiState));

    const fs::path out = tmp / "出力 é.bin";
    run = runTool(sim + "edid get -o " + quoted(out));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("出力 é.bin"), std::string::npos) << run.output;
    EXPECT_EQ(readText(out), readText(edid));

    // Written again: replaced whole, nothing left beside it.
    run = runTool(sim + "edid get -o " + quoted(out));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const auto& entry : fs::directory_iterator(tmp))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(UnderWine, InputWithCrlfLineEnds) {
    const auto crlf = [](const std::string& text) {
        std::string out;
        for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    const fs::path matrix = tmp / "matrix-crlf.txt";
    std::ofstream(matrix, std::ios::binary) << crlf(readText(fs::path(BRIXEL_CLI_FIXTURES) / "matrix.txt"));
    auto run = runTool(simulated() + "--fresh matrix set --file -", matrix.string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("matrix set: confirmed by the device"), std::string::npos) << run.output;

    for (const char* fixture : {"edid-20.xxd-i.txt", "edid-23.hexdump-C.txt", "edid-20.edid-decode.txt"}) {
        const fs::path edid = tmp / (std::string("crlf-") + fixture);
        std::ofstream(edid, std::ios::binary) << crlf(readText(fs::path(BRIXEL_TOOLKIT_FIXTURES) / fixture));
        run = runTool(simulated() + "edid set " + quoted(edid));
        EXPECT_EQ(run.exitCode, 0) << fixture << "\n" << run.output;
        EXPECT_NE(run.output.find("written and confirmed"), std::string::npos) << fixture << "\n" << run.output;
    }
}

// A file too large to be an EDID or a matrix is refused before it is read whole.
TEST_F(UnderWine, AFileOverTheLimitIsRefused) {
    const fs::path large = tmp / "large.bin";
    std::ofstream(large, std::ios::binary) << std::string(1024 * 1024 + 1, '\0');
    auto run = runTool(simulated() + "--fresh edid set " + quoted(large));
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("large.bin holds 1048577 bytes, more than the 1 MiB"), std::string::npos) << run.output;
    run = runTool(simulated() + "--fresh matrix set --file " + quoted(large));
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("large.bin holds 1048577 bytes, more than the 64 KiB"), std::string::npos) << run.output;
}

// The one row that is Linux's by nature says so, in the help and when used.
TEST_F(UnderWine, EdidDecodeIsSaidNotToBeHere) {
    auto run = runTool("edid get --help");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("check it with edid-decode --check: exit status 1 when it does not conform (not on "
                              "Windows: edid-decode is a Linux program)"),
              std::string::npos)
        << run.output;
    run = runTool(simulated() + "--fresh edid get --check");
    EXPECT_NE(run.output.find("edid-decode is not available on Windows"), std::string::npos) << run.output;
}

TEST_F(UnderWine, TheStateIsUnderLocalAppData) {
    ::unsetenv("XDG_STATE_HOME");
    const char* prefix = std::getenv("WINEPREFIX");
    ASSERT_NE(prefix, nullptr);
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const fs::path file = fs::path(prefix) / "drive_c" / "users" / user->pw_name / "AppData" / "Local" / "brixelctl" /
                          "simulated-device.json";
    const auto run = runTool("--simulate --fresh port 3");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(readJson(file).at("settings").at(0), 3);
}

// The tool copied alone into a folder, as someone might unpack it.
class WithoutVendorLayer : public UnderWine {
protected:
    fs::path bin = tmp / "sdk" / "bin";
    void SetUp() override {
        UnderWine::SetUp();
        fs::create_directories(bin);
        const fs::path built = fs::path(BRIXELCTL_EXE).parent_path();
        for (const char* file : {"brixelctl.exe", "BrixelLibrary.dll"}) fs::copy_file(built / file, bin / file);
    }
    ToolRun runCopy(const std::string& arguments) {
        ::setenv("BRIXELCTL_UNDER_TEST", windowsName(bin / "brixelctl.exe").c_str(), 1);
        auto run = runTool(arguments);
        ::unsetenv("BRIXELCTL_UNDER_TEST");
        return run;
    }
};

TEST_F(WithoutVendorLayer, SaysWhatIsMissingAndExitsWith3) {
    for (const char* command : {"status", "--simulate status", "doctor"}) {
        const auto run = runCopy(command);
        EXPECT_EQ(run.exitCode, 3) << command << "\n" << run.output;
        EXPECT_NE(run.output.find("SiUSBXp.dll, the vendor's USB layer, is not beside brixelctl.exe nor on the PATH"),
                  std::string::npos)
            << command << "\n"
            << run.output;
    }
    // The tool itself starts: the library is loaded at its first call.
    const auto run = runCopy("--version");
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

// What needs no device needs no USB layer either; what does says why there is none.
TEST_F(WithoutVendorLayer, WorksWithoutADeviceAndSaysWhyThereIsNone) {
    for (const char* command : {"edid list", "infoframe decode 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00",
                                "infoframe hdr-build --print-only"}) {
        const auto run = runCopy(command);
        EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.output;
    }
    const auto run = runCopy("--json status");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    const auto doc = nlohmann::json::parse(run.output);
    EXPECT_EQ(doc.at("confirmed"), false) << run.output;
    EXPECT_NE(doc.at("error").get<std::string>().find("SiUSBXp.dll"), std::string::npos) << run.output;
}

TEST_F(WithoutVendorLayer, WithoutItsLibraryTheToolSaysSoRatherThanCrash) {
    fs::remove(bin / "BrixelLibrary.dll");
    fs::copy_file(fs::path(BRIXELCTL_EXE).parent_path() / "SiUSBXp.dll", bin / "SiUSBXp.dll");
    for (const char* command : {"status", "doctor"}) {
        const auto run = runCopy(command);
        EXPECT_EQ(run.exitCode, 3) << command << "\n" << run.output;
        EXPECT_NE(run.output.find("BrixelLibrary.dll is not beside brixelctl.exe nor on the PATH"), std::string::npos)
            << command << "\n"
            << run.output;
    }
}

TEST_F(WithoutVendorLayer, SimulatesWithTheStandInFromTheSdksSimulatorFolder) {
    fs::create_directories(tmp / "sdk" / "simulator");
    fs::copy_file(fs::path(BRIXELCTL_EXE).parent_path() / "SiUSBXp.dll", tmp / "sdk" / "simulator" / "SiUSBXp.dll");
    auto run = runCopy("--simulate --fresh status");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Display Name: Simulated TV"), std::string::npos) << run.output;
    // Not for the real device: that needs the vendor's.
    run = runCopy("status");
    EXPECT_EQ(run.exitCode, 3) << run.output;
}

// The build's SiUSBXp.dll is the stand-in, found beside the tool, with nothing plugged in.
TEST_F(UnderWine, DoctorSaysWhatItChecksAndWhatItCannot) {
    auto run = runTool("doctor");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    for (const char* line :
         {"  ok    SiUSBXp.dll found and loaded: ", "SiUSBXp.dll\n", "  FAIL  SiUSBXp.dll counts no USBXpress device\n",
          "Not checked here:\n", "  - which driver Windows gave the device",
          "Not ready: brixelctl cannot reach a Brixel yet."})
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    run = runTool("--json doctor");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    const auto doc = nlohmann::json::parse(run.output);
    EXPECT_EQ(doc.at("ready"), false);
    EXPECT_EQ(doc.at("notChecked").size(), 3u) << run.output;
}

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

// brixelctl.exe serve as its own process, its output in a file; stopped at the end.
class Served : public UnderWine {
protected:
    pid_t pid = -1;
    int port = freePort();
    fs::path log = tmp / "serve.log";
    const std::string token = "wine-test-token";
    void start(const std::vector<std::string>& arguments) {
        std::vector<std::string> words{BRIXEL_WINE_RUN, BRIXEL_WINE_BITS, BRIXELCTL_EXE};
        words.insert(words.end(), arguments.begin(), arguments.end());
        pid = ::fork();
        if (pid == 0) {
            ::setenv("BRIXEL_WINE_DIRECT", "1", 1);
            ::setenv("LANG", "C.UTF-8", 1);
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv;
            for (auto& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        UnderWine::TearDown();
    }
    // Waits for the panel to answer, for as long as wine takes to start it.
    bool answers(httplib::Client& client) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (std::chrono::steady_clock::now() < until) {
            if (auto r = client.Get("/api/info"); r && r->status == 200) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        return false;
    }
    // The log once it holds `line`: the server answers before its line is written.
    std::string logWith(const std::string& line) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string text = readText(log);
        while (text.find(line) == std::string::npos && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            text = readText(log);
        }
        return text;
    }
};

TEST_F(Served, ThePanelAndItsApiAnswerOverLoopback) {
    start({"--simulate", "--fresh", "--state-file", windowsName(state), "serve", "--listen",
           "127.0.0.1:" + std::to_string(port), "--token", token});
    const httplib::Headers bearer{{"Authorization", "Bearer " + token}};
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30);
    client.set_default_headers(bearer);
    ASSERT_TRUE(answers(client)) << readText(log);
    const std::string panelLine = "brixelctl: the panel is at http://127.0.0.1:" + std::to_string(port);
    const std::string text = logWith(panelLine);
    EXPECT_NE(text.find(panelLine), std::string::npos) << text;

    const auto page = client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<html"), std::string::npos);

    const auto set = client.Post("/api/settings/port", R"({"value": "3"})", "application/json");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, 200) << set->body;
    EXPECT_EQ(nlohmann::json::parse(set->body).at("value"), 3) << set->body;

    const auto status = client.Get("/api/status");
    ASSERT_TRUE(status);
    ASSERT_EQ(status->status, 200) << status->body;
    const auto report = nlohmann::json::parse(status->body);
    EXPECT_EQ(report.at("confirmed"), true) << status->body;

    const auto settings = client.Get("/api/settings");
    ASSERT_TRUE(settings);
    EXPECT_NE(settings->body.find("\"by\":\"brixelctl serve\""), std::string::npos) << settings->body;

    // A wrong route is pointed to the API's description where the SDK has it.
    const auto lost = client.Get("/api/no-such-route");
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->status, 404);
    EXPECT_NE(lost->body.find("doc\\\\API.md of the SDK"), std::string::npos) << lost->body;

    // No token, no change.
    httplib::Client stranger("127.0.0.1", port);
    const auto refused = stranger.Post("/api/settings/port", R"({"value": "2"})", "application/json");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401) << refused->body;

    // The change is the simulated device's, for other runs to see.
    EXPECT_EQ(readJson(state).at("settings").at(0), 3);
}

TEST_F(Served, TheBridgeIsNotInTheWindowsBuildAndHelpSaysSo) {
    auto run = runTool("serve --help");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("the MQTT bridge is not in the Windows build of brixelctl"), std::string::npos)
        << run.output;
    for (const char* options : {"--mqtt mqtt://127.0.0.1", "--mqtt-ca ca.pem", "--mqtt-discovery-prefix ha"}) {
        run = runTool(std::string("--simulate serve ") + options);
        EXPECT_EQ(run.exitCode, 2) << options << "\n" << run.output;
        EXPECT_NE(run.output.find("--mqtt: the MQTT bridge is not in the Windows build"), std::string::npos)
            << options << "\n"
            << run.output;
    }
}

}  // namespace
}  // namespace brixel::test
