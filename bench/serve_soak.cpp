// SPDX-License-Identifier: MIT
// brixelctl serve held under load: HTTP clients asking for the status report
// and MQTT commands switching the input port, together, against the simulated
// device for a set time, the broker killed and started again and the device
// unplugged and plugged in again along the way. It checks that no request is
// lost or answered twice, that no error comes but those the faults explain,
// that the bridge recovers from each fault, and that memory stays flat; and it
// prints the figures the README quotes. Exits 77, saying why, without mosquitto.
//
//   serve_soak [--seconds N] [--clients N] [--rate R] [--min-rate R] [--max-p99-ms M] [--max-growth-kib K]
//              [--brixelctl PATH] [--mosquitto PATH]
//
// The clients together ask for --rate status reports a second (0: each as
// fast as it is answered), each at its own steady pace.

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Options {
    int seconds = 60;
    int clients = 16;
    double rate = 400;     // status requests per second asked for, by all clients together
    double minRate = 300;  // status requests per second held
    double maxP99Ms = 50;
    // What the server's resident memory may grow by from the first sample to the last.
    long maxGrowthKib = 1024;
    std::string brixelctl = BRIXELCTL_PATH;
    std::string mosquitto;
};

// How long each fault lasts, and how long the bridge may take to recover from it.
constexpr auto brokerDown = 2s;
constexpr auto deviceAway = 3s;
constexpr auto recovery = 30s;
// Between two port commands, and how long one may take to show in its state.
constexpr auto commandInterval = 250ms;
constexpr auto commandDeadline = 15s;
constexpr auto clientSpacing = 20ms;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

// A child process, its standard output and error to `log` (or a pipe read by the caller).
pid_t spawn(const std::vector<std::string>& command, const fs::path& log, int* pipeOut = nullptr) {
    int fds[2] = {-1, -1};
    if (pipeOut && pipe(fds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        const int out = pipeOut ? fds[1] : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        if (pipeOut) close(fds[0]);
        std::vector<char*> argv;
        for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pipeOut) {
        close(fds[1]);
        *pipeOut = fds[0];
    }
    return child;
}

long residentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

bool listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return up;
}

template <typename Condition>
bool waitFor(Condition condition, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
        if (condition()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

// ---- What the soak watches over MQTT, as Home Assistant would -------------------------

class Watcher {
public:
    Watcher(int port, std::string root) : root_(std::move(root)) {
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_reconnect_delay_set(client_, 1, 1, false);
        mosquitto_connect_callback_set(client_, [](mosquitto* m, void* self, int code) {
            if (code != 0) return;
            auto& watcher = *static_cast<Watcher*>(self);
            mosquitto_subscribe(m, nullptr, (watcher.root_ + "/#").c_str(), 1);
            watcher.connected = true;
        });
        mosquitto_disconnect_callback_set(
            client_, [](mosquitto*, void* self, int) { static_cast<Watcher*>(self)->connected = false; });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* message) {
            static_cast<Watcher*>(self)->received(*message);
        });
        mosquitto_connect_async(client_, "127.0.0.1", port, 30);
        mosquitto_loop_start(client_);
    }
    ~Watcher() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }

    std::atomic<bool> connected{false};

    std::string latest(const std::string& leaf) {
        std::lock_guard lock(mutex_);
        const auto found = latest_.find(root_ + "/" + leaf);
        return found == latest_.end() ? "" : found->second;
    }
    // Each port state the bridge published that differs from the one before, with when it came.
    std::vector<std::pair<std::string, Clock::time_point>> portChanges() {
        std::lock_guard lock(mutex_);
        return portChanges_;
    }
    bool publish(const std::string& leaf, const std::string& payload) {
        return mosquitto_publish(client_, nullptr, (root_ + "/" + leaf).c_str(), static_cast<int>(payload.size()),
                                 payload.data(), 1, false) == MOSQ_ERR_SUCCESS;
    }

private:
    void received(const mosquitto_message& message) {
        const std::string payload(static_cast<const char*>(message.payload),
                                  static_cast<std::size_t>(message.payloadlen));
        std::lock_guard lock(mutex_);
        const std::string topic = message.topic;
        if (topic == root_ + "/port" && (portChanges_.empty() || portChanges_.back().first != payload))
            portChanges_.emplace_back(payload, Clock::now());
        latest_[topic] = payload;
    }

    std::string root_;
    mosquitto* client_ = nullptr;
    std::mutex mutex_;
    std::map<std::string, std::string> latest_;
    std::vector<std::pair<std::string, Clock::time_point>> portChanges_;
};

// ---- The run ---------------------------------------------------------------------------

struct Request {
    Clock::time_point start;
    double ms;
    int status;  // 0: no answer
};

struct Window {
    Clock::time_point from;
    Clock::time_point to;
    bool covers(Clock::time_point t) const { return t >= from && t <= to; }
};

int usage(const char* why) {
    std::fprintf(stderr, "serve_soak: %s\n", why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        const char* next = k + 1 < argc ? argv[k + 1] : nullptr;
        if (!next) return usage(("no value after " + a).c_str());
        if (a == "--seconds")
            o.seconds = std::atoi(next);
        else if (a == "--clients")
            o.clients = std::atoi(next);
        else if (a == "--rate")
            o.rate = std::atof(next);
        else if (a == "--min-rate")
            o.minRate = std::atof(next);
        else if (a == "--max-p99-ms")
            o.maxP99Ms = std::atof(next);
        else if (a == "--max-growth-kib")
            o.maxGrowthKib = std::atol(next);
        else if (a == "--brixelctl")
            o.brixelctl = next;
        else if (a == "--mosquitto")
            o.mosquitto = next;
        else
            return usage(("unknown option " + a).c_str());
        ++k;
    }
    if (o.seconds < 15) return usage("--seconds: at least 15, for both faults to fit");
    if (o.mosquitto.empty())
        for (const char* place : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"})
            if (fs::exists(place)) o.mosquitto = place;
    if (o.mosquitto.empty()) {
        std::printf("serve_soak: not run: no mosquitto broker (Debian package mosquitto)\n");
        return 77;
    }
    signal(SIGPIPE, SIG_IGN);
    mosquitto_lib_init();

    char folderName[] = "/tmp/serve-soak.XXXXXX";
    const fs::path folder = mkdtemp(folderName);
    const int brokerPort = freePort();
    {
        std::ofstream config(folder / "mosquitto.conf");
        config << "listener " << brokerPort << " 127.0.0.1\npersistence false\nallow_anonymous true\n";
    }
    const auto startBroker = [&] {
        return spawn({o.mosquitto, "-c", (folder / "mosquitto.conf").string()}, folder / "mosquitto.log");
    };
    pid_t broker = startBroker();
    if (!waitFor([&] { return listening(brokerPort); }, 10s)) return usage("mosquitto did not start");

    const fs::path state = folder / "state.json";
    int serveOut = -1;
    const pid_t served = spawn({o.brixelctl, "--simulate", "--fresh", "--state-file", state.string(), "serve",
                                "--listen", "127.0.0.1:0", "--mqtt", "mqtt://127.0.0.1:" + std::to_string(brokerPort)},
                               {}, &serveOut);
    // Its output, read all along so that it never blocks on a full pipe.
    std::mutex outputMutex;
    std::string output;
    std::thread reader([&] {
        char chunk[4096];
        ssize_t n = 0;
        while ((n = read(serveOut, chunk, sizeof chunk)) > 0) {
            std::lock_guard lock(outputMutex);
            output.append(chunk, static_cast<std::size_t>(n));
        }
    });
    const auto times = [&](const std::string& text) {
        std::lock_guard lock(outputMutex);
        std::size_t n = 0;
        for (auto at = output.find(text); at != std::string::npos; at = output.find(text, at + 1)) ++n;
        return n;
    };
    const auto said = [&](const std::string& pattern) {
        std::lock_guard lock(outputMutex);
        std::smatch found;
        return std::regex_search(output, found, std::regex(pattern)) ? std::optional<std::string>(found[1])
                                                                     : std::nullopt;
    };
    int status = 0;
    std::vector<std::string> failures;
    const auto fail = [&](const std::string& why) { failures.push_back(why); };
    if (!waitFor([&] { return said("under (brixel/\\S+)") && said("panel is at http://127.0.0.1:(\\d+)/"); }, 20s)) {
        std::lock_guard lock(outputMutex);
        std::fprintf(stderr, "serve_soak: brixelctl serve did not start:\n%s\n", output.c_str());
        kill(served, SIGKILL);
        kill(broker, SIGKILL);
        return 1;
    }
    const std::string root = *said("under (brixel/\\S+)");
    const int panelPort = std::stoi(*said("panel is at http://127.0.0.1:(\\d+)/"));
    Watcher watcher(brokerPort, root);
    if (!waitFor([&] { return watcher.latest("bridge") == "online" && !watcher.latest("input_format").empty(); },
                 recovery))
        fail("the bridge did not come online");

    // Before the load, then once the load has woken every thread it will.
    std::this_thread::sleep_for(1s);
    const long memoryIdle = residentKib(served);
    long memoryStart = 0;

    std::atomic<bool> running{true};
    std::vector<std::vector<Request>> answers(static_cast<std::size_t>(o.clients));
    std::vector<std::thread> clients;
    const auto started = Clock::now();
    for (int c = 0; c < o.clients; ++c)
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", panelPort);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(10, 0);
            auto& mine = answers[static_cast<std::size_t>(c)];
            // Each client on its own beat, the beats spread over the interval.
            const auto interval =
                o.rate > 0
                    ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.clients / o.rate))
                    : Clock::duration{};
            // Started one after the other, as clients come.
            std::this_thread::sleep_for(clientSpacing * c);
            auto beat = Clock::now() + interval * c / o.clients;
            while (running) {
                if (o.rate > 0) {
                    std::this_thread::sleep_until(beat);
                    beat = std::max(beat + interval, Clock::now() - interval);
                }
                const auto start = Clock::now();
                const auto reply = client.Get("/api/status");
                mine.push_back({start, ms(Clock::now() - start), reply ? reply->status : 0});
            }
        });

    // Commands over MQTT, each timed until its state shows it.
    struct Sent {
        std::string value;
        Clock::time_point at;
    };
    std::vector<Sent> sent;
    // Off while the broker is away: a command nobody is subscribed to yet is no command.
    std::atomic<bool> brokerUp{true};
    std::thread commander([&] {
        while (running) {
            std::this_thread::sleep_for(commandInterval);
            if (!brokerUp || !watcher.connected || watcher.latest("device") != "online") continue;
            // Always a change, so that each command shows in the state once.
            const std::string value = watcher.latest("port") == "2" ? "1" : "2";
            const auto at = Clock::now();
            if (!watcher.publish("port/set", value)) continue;  // the watcher itself is away
            sent.push_back({value, at});
            waitFor([&] { return watcher.latest("port") == value; }, commandDeadline);
        }
    });

    // The faults, in the middle of the run.
    const auto runTime = std::chrono::seconds(o.seconds);
    std::vector<Window> explained;
    std::this_thread::sleep_for(runTime * 2 / 10);
    memoryStart = residentKib(served);
    std::this_thread::sleep_for(Clock::time_point(started + runTime * 3 / 10) - Clock::now());
    const auto brokerKilled = Clock::now();
    brokerUp = false;
    kill(broker, SIGKILL);
    waitpid(broker, &status, 0);
    std::this_thread::sleep_for(brokerDown);
    broker = startBroker();
    const auto brokerBack = Clock::now();
    const std::string connectLine = "mqtt: connected to the MQTT broker";
    if (!waitFor([&] { return times(connectLine) == 2; }, recovery))
        fail("the bridge did not reconnect to the broker within 30 s");
    const auto bridgeBack = Clock::now();
    waitFor([&] { return watcher.connected.load(); }, recovery);
    brokerUp = true;
    // A command the broker held as it died is lost with it.
    explained.push_back({brokerKilled - 1s, brokerKilled});

    std::this_thread::sleep_for(Clock::time_point(started + runTime * 6 / 10) - Clock::now());
    const fs::path unplugFile = folder / "state.unplugged";
    std::ofstream{unplugFile};
    const auto unplugged = Clock::now();
    if (!waitFor([&] { return watcher.latest("device") == "offline"; }, recovery))
        fail("the device was not seen unplugged");
    std::this_thread::sleep_for(deviceAway);
    fs::remove(unplugFile);
    if (!waitFor([&] { return watcher.latest("device") == "online"; }, recovery))
        fail("the device was not seen again within 30 s");
    const auto deviceBack = Clock::now();
    explained.push_back({unplugged - 1s, deviceBack + 1s});

    std::this_thread::sleep_for(Clock::time_point(started + runTime) - Clock::now());
    running = false;
    for (auto& t : clients) t.join();
    commander.join();
    const auto ended = Clock::now();
    const long memoryEnd = residentKib(served);
    // Settled: the last command's state is in.
    std::this_thread::sleep_for(500ms);

    kill(served, SIGTERM);
    waitpid(served, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("brixelctl serve did not stop cleanly");
    reader.join();
    close(serveOut);
    kill(broker, SIGTERM);
    waitpid(broker, nullptr, 0);

    // ---- What came of it -----------------------------------------------------------------
    std::size_t requests = 0;
    std::size_t unanswered = 0;
    std::size_t unexplained = 0;
    std::size_t refusedWhileAway = 0;
    std::vector<double> latencies;
    for (const auto& mine : answers)
        for (const auto& r : mine) {
            ++requests;
            if (r.status == 0) {
                ++unanswered;
            } else if (r.status == 200) {
                latencies.push_back(r.ms);
            } else if ((r.status == 503 || r.status == 502) &&
                       std::any_of(explained.begin(), explained.end(),
                                   [&](const Window& w) { return w.covers(r.start); })) {
                ++refusedWhileAway;
                latencies.push_back(r.ms);
            } else {
                ++unexplained;
            }
        }
    const double seconds = std::chrono::duration<double>(ended - started).count();
    const double rate = static_cast<double>(requests) / seconds;
    const double p50 = percentile(latencies, 0.50);
    const double p99 = percentile(latencies, 0.99);

    // Each command's value shows in the port's state, in order, once per command.
    const auto changes = watcher.portChanges();
    std::vector<double> commandTimes;
    std::size_t lost = 0;
    std::size_t next = 0;
    std::size_t sentWhileAway = 0;
    for (const auto& s : sent) {
        // The device may go between the look at its availability and the command.
        if (std::any_of(explained.begin(), explained.end(), [&](const Window& w) { return w.covers(s.at); })) {
            ++sentWhileAway;
            continue;
        }
        while (next < changes.size() && (changes[next].second < s.at || changes[next].first != s.value)) ++next;
        if (next == changes.size()) {
            ++lost;
            continue;
        }
        commandTimes.push_back(ms(changes[next].second - s.at));
        ++next;
    }
    const bool extraStates = changes.size() > sent.size();

    std::printf("serve_soak: %d s, %d HTTP clients asking for the status (%s), MQTT port commands every %lld ms\n",
                o.seconds, o.clients,
                o.rate > 0 ? (std::to_string(static_cast<int>(o.rate)) + " a second together").c_str()
                           : "each as fast as answered",
                static_cast<long long>(commandInterval.count()));
    std::printf("  status requests   %zu, %.0f per second; latency p50 %.2f ms, p99 %.2f ms\n", requests, rate, p50,
                p99);
    std::printf("  while unplugged   %zu answered 502/503, as the fault explains\n", refusedWhileAway);
    std::printf("  unanswered        %zu; unexplained errors %zu\n", unanswered, unexplained);
    std::printf(
        "  MQTT commands     %zu (%zu as the device went), %zu lost; command to state p50 %.1f ms, "
        "p99 %.1f ms, max %.1f ms\n",
        sent.size(), sentWhileAway, lost, percentile(commandTimes, 0.5), percentile(commandTimes, 0.99),
        percentile(commandTimes, 1.0));
    std::printf("  broker killed     back after %.1f s, the bridge reconnected %.1f s later\n",
                ms(brokerBack - brokerKilled) / 1000, ms(bridgeBack - brokerBack) / 1000);
    std::printf("  device unplugged  for %.1f s, seen back %.1f s after its replug\n",
                ms(deviceBack - unplugged) / 1000, ms(deviceBack - unplugged - deviceAway) / 1000);
    std::printf("  memory (RSS)      %ld KiB before the load, %ld KiB once it runs, %ld KiB at the end\n", memoryIdle,
                memoryStart, memoryEnd);

    if (unanswered) fail(std::to_string(unanswered) + " requests got no answer");
    if (unexplained) fail(std::to_string(unexplained) + " requests got an error no fault explains");
    if (lost) fail(std::to_string(lost) + " MQTT commands never showed in the port's state");
    if (extraStates) fail("the port's state changed more often than it was commanded");
    if (sent.empty()) fail("no MQTT command was sent");
    if (refusedWhileAway == 0) fail("no request saw the device unplugged");
    if (memoryEnd - memoryStart > o.maxGrowthKib)
        fail("memory grew by " + std::to_string(memoryEnd - memoryStart) + " KiB");
    if (rate < o.minRate) fail("fewer than " + std::to_string(static_cast<int>(o.minRate)) + " requests per second");
    if (p99 > o.maxP99Ms) fail("a p99 latency over " + std::to_string(static_cast<int>(o.maxP99Ms)) + " ms");
    {
        std::lock_guard lock(outputMutex);
        if (output.find("AddressSanitizer") != std::string::npos || output.find("runtime error") != std::string::npos)
            fail("the sanitizers reported in brixelctl serve's output");
    }
    for (const auto& why : failures) std::printf("FAIL: %s\n", why.c_str());
    if (failures.empty())
        fs::remove_all(folder);
    else
        std::printf("serve_soak: its files are in %s\n", folder.c_str());
    std::printf("%s\n", failures.empty() ? "serve_soak: held" : "serve_soak: FAILED");
    return failures.empty() ? 0 : 1;
}
