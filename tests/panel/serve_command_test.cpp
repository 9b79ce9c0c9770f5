// SPDX-License-Identifier: MIT
// brixelctl serve as a user starts it: the address it prints, the panel
// behind it on the simulated device whose state other runs share, and Ctrl-C.

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace brixel::test {
namespace {

// brixelctl with `arguments`, its standard output read up to the panel's address.
struct Served {
    pid_t child = -1;
    std::string address;  // "http://127.0.0.1:PORT/..."
    std::string output;
};

Served serve(std::vector<std::string> arguments) {
    Served s;
    int out[2];
    if (pipe(out) != 0) return s;
    s.child = fork();
    if (s.child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        std::string program = BRIXELCTL_PATH;
        std::vector<char*> argv{program.data()};
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    std::array<char, 256> chunk{};
    const std::regex printed("the panel is at (http://\\S+)");
    std::smatch found;
    while (true) {
        const ssize_t n = read(out[0], chunk.data(), chunk.size());
        if (n <= 0) break;
        s.output.append(chunk.data(), static_cast<std::size_t>(n));
        if (std::regex_search(s.output, found, printed)) {
            s.address = found[1];
            break;
        }
    }
    close(out[0]);
    return s;
}

int stop(const Served& s) {
    kill(s.child, SIGINT);
    int status = 0;
    waitpid(s.child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int portOf(const std::string& address) { return std::stoi(address.substr(address.rfind(':') + 1)); }

TEST(ServeCommand, ThePanelOnTheSimulatedDeviceUntilCtrlC) {
    const auto state = std::filesystem::temp_directory_path() / ("serve-test-" + std::to_string(getpid()) + ".json");
    const Served s =
        serve({"--simulate", "--fresh", "--state-file", state.string(), "serve", "--listen", "127.0.0.1:0"});
    ASSERT_FALSE(s.address.empty()) << s.output;
    EXPECT_TRUE(s.address.starts_with("http://127.0.0.1:")) << s.address;
    EXPECT_EQ(s.address.find("token"), std::string::npos);
    httplib::Client client("127.0.0.1", portOf(s.address.substr(0, s.address.size() - 1)));
    const auto status = client.Get("/api/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, 200);
    EXPECT_NE(status->body.find("\"text\":\"Input : 3840x2160p60\""), std::string::npos);
    // Another run of brixelctl changes the port; the panel reads the state again.
    const std::string other = std::string(BRIXELCTL_PATH) + " --simulate -q --state-file " + state.string() + " port 2";
    ASSERT_EQ(std::system(other.c_str()), 0);
    const auto after = client.Get("/api/status");
    ASSERT_TRUE(after);
    EXPECT_NE(after->body.find("\"text\":\"Input : 1920x1080p60\""), std::string::npos);
    EXPECT_EQ(stop(s), 0);
    std::filesystem::remove(state);
    std::filesystem::remove(state.string() + ".lock");
}

TEST(ServeCommand, AnotherAddressGetsATokenPrinted) {
    const auto state = std::filesystem::temp_directory_path() / ("serve-token-" + std::to_string(getpid()) + ".json");
    const Served s = serve({"--simulate", "--fresh", "--state-file", state.string(), "serve", "--listen", "0.0.0.0:0"});
    ASSERT_FALSE(s.address.empty()) << s.output;
    const std::regex withToken("http://127\\.0\\.0\\.1:[0-9]+/\\?token=[0-9a-f]{32}");
    EXPECT_TRUE(std::regex_match(s.address, withToken)) << s.address;
    const int port = std::stoi(s.address.substr(17, s.address.find('/', 17) - 17));
    httplib::Client client("127.0.0.1", port);
    const auto refused = client.Get("/api/status");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    const auto taken = client.Get(("/api/status?" + s.address.substr(s.address.find("token="))).c_str());
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->status, 200);
    EXPECT_EQ(stop(s), 0);
    std::filesystem::remove(state);
    std::filesystem::remove(state.string() + ".lock");
}

TEST(ServeCommand, AWrongAddressIsAUsageError) {
    const std::string command = std::string(BRIXELCTL_PATH) + " --simulate serve --listen nowhere 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 512> text{};
    const std::size_t n = std::fread(text.data(), 1, text.size(), pipe);
    const int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(std::string(text.data(), n), "brixelctl: --listen: expected ADDRESS:PORT or none, not 'nowhere'\n");
}

// A state another run left unreadable is refused as the tool refuses it,
// naming the file, and nothing is written over it.
TEST(ServeCommand, AStateFileMadeUnreadableWhileItRunsIsRefusedAndKept) {
    const auto state = std::filesystem::temp_directory_path() / ("serve-broken-" + std::to_string(getpid()) + ".json");
    const Served s =
        serve({"--simulate", "--fresh", "--state-file", state.string(), "serve", "--listen", "127.0.0.1:0"});
    ASSERT_FALSE(s.address.empty()) << s.output;
    const std::string broken = "{\"firmware\": [1, 5";
    {
        std::FILE* file = std::fopen(state.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(broken.c_str(), file);
        std::fclose(file);
    }
    httplib::Client client("127.0.0.1", portOf(s.address.substr(0, s.address.size() - 1)));
    const auto status = client.Get("/api/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, 503);
    EXPECT_NE(status->body.find(state.string() + " is not a simulated device state"), std::string::npos)
        << status->body;
    stop(s);
    std::FILE* file = std::fopen(state.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char kept[64] = {};
    const std::size_t n = std::fread(kept, 1, sizeof kept, file);
    std::fclose(file);
    EXPECT_EQ(std::string(kept, n), broken);
    std::filesystem::remove(state);
    std::filesystem::remove(state.string() + ".lock");
}

}  // namespace
}  // namespace brixel::test
