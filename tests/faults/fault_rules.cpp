// SPDX-License-Identifier: MIT
#include "tests/faults/fault_rules.h"

#include <array>
#include <utility>

namespace brixel::faults {
namespace {

enum class Discovery { none, notConnected, openFails, closeFails };

struct KindRule {
    std::string_view kind;
    std::optional<Reply> frame;  // a fault of the frames
    Discovery discovery = Discovery::none;
    // An unplugged device is back by the time the next open looks for it
    // (the silent reply window outlasts its time away).
    bool replugs = false;
};

constexpr std::array<KindRule, 12> kindRules{{
    {"count", std::nullopt, Discovery::notConnected},
    {"string", std::nullopt, Discovery::notConnected},
    {"open", std::nullopt, Discovery::openFails},
    {"close", std::nullopt, Discovery::closeFails},
    {"write", Reply::lost},
    {"noReply", Reply::lost},
    {"rxQueue", Reply::queueFailed},
    {"read", Reply::readFailed},
    {"shortReply", Reply::shortReply},
    {"wrongEcho", Reply::wrongEcho},
    {"unplug", Reply::unplugged},
    {"replug", Reply::unplugged, Discovery::none, true},
}};

// Completed with the command byte in reply byte 0.
bool echoed(Reply r) { return r == Reply::answered || r == Reply::shortReply; }
// Completed with the 16 bytes of an EDID read (which has no echo).
bool edidChunk(Reply r) { return r == Reply::answered || r == Reply::wrongEcho; }

// One operation's run, step by step as the link's rules go.
class Run {
public:
    Run(const Conditions& c, const KindRule& rule)
        : c_(c), rule_(rule), leaveOpen_(c.link != Link::closed), open_(c.link == Link::leaveOpenOpen) {}

    // ensureDeviceOpen.
    bool open() {
        if (open_) return true;
        // A handle kept open stays dead; a new open finds the device again.
        if (rule_.replugs) unplugged_ = false;
        if (unplugged_ || rule_.discovery == Discovery::notConnected) {
            warn(L"BRIXEL USB not connected!");
            return false;
        }
        ++e.opens;
        if (rule_.discovery == Discovery::openFails) {
            warn(L"Usb device open error!");
            print("Device open error");
            return false;
        }
        open_ = true;
        return true;
    }

    // The release step.
    void release() {
        if (!open_ || leaveOpen_) return;
        ++e.closes;
        if (rule_.discovery == Discovery::closeFails) warn(L"Unable to close device handle!");
        open_ = false;
    }

    // One frame's exchange.
    Reply exchange() {
        const uint32_t frame = e.writes++;
        Reply r = Reply::answered;
        if (unplugged_)
            r = Reply::lost;  // a device that is gone takes no write
        else if (rule_.frame && frame == c_.fault.frame)
            r = *rule_.frame;
        if (r == Reply::queueFailed) warn(L"Error Checking RX Queue");
        if (r == Reply::unplugged) {
            // Its queue cannot be checked, for the whole window.
            for (uint32_t k = 0; k < c_.silentWindowChecks; ++k) warn(L"Error Checking RX Queue");
            unplugged_ = true;
        }
        e.replies.push_back(r);
        return r;
    }

    void print(std::string_view line) { e.printed += line; }
    void warn(const wchar_t* text) { e.warnings.emplace_back(text); }
    void sleep(uint32_t ms) { e.sleeps.push_back(ms); }
    bool linkOpen() const { return open_; }

    Expected e;

private:
    const Conditions& c_;
    const KindRule& rule_;
    bool leaveOpen_;
    bool open_;
    bool unplugged_ = false;
};

// The echo-tested exchange: open on demand, one frame, its line on failure, release.
std::optional<Reply> echoExchange(Run& run, std::string_view errorLine) {
    if (!run.open()) return std::nullopt;
    const Reply r = run.exchange();
    if (!echoed(r)) run.print(errorLine);
    run.release();
    return r;
}

bool settingWrite(Run& run) {
    const auto r = echoExchange(run, "Error Writing values\n");
    return r && echoed(*r);
}

bool registerRead(Run& run, std::string_view errorLine = "Error Reading values\n") {
    const auto r = echoExchange(run, errorLine);
    return r && echoed(*r);
}

bool matrixWrite(Run& run) {
    if (!run.open()) return false;
    const bool ok = echoed(run.exchange());
    run.print(ok ? "Matrix values written..." : "Error Writing matrix values.");
    run.release();
    return ok;
}

// The line comes after the release step.
bool edidRead(Run& run, bool sink) {
    if (!run.open()) return false;
    bool complete = true;
    for (int chunk = 0; chunk < 16 && complete; ++chunk) complete = edidChunk(run.exchange());
    run.release();
    if (!complete) run.print(sink ? "Error reading sink EDID values\n" : "Error reading values\n");
    return complete;
}

// Every data frame goes out and is followed by its wait, whatever became of
// the one before; then the commit.
bool edidWrite(Run& run) {
    if (!run.open()) return false;
    bool everyFrame = true;
    for (int frame = 0; frame < 32; ++frame) {
        if (!echoed(run.exchange())) {
            run.print("Error Writing EDID values.");
            everyFrame = false;
        }
        run.sleep(30);
    }
    const bool committed = echoed(run.exchange());
    run.print(committed ? "EDID custom written..." : "Error reseting EDID values.");
    run.release();
    return everyFrame && committed;
}

bool aviInfoFrame(Run& run) {
    if (!run.open()) return false;
    const bool written = echoed(run.exchange());
    run.print(written ? "AVI values written..." : "Error Writing AVI command.");
    if (!written) {
        run.release();
        return false;
    }
    run.sleep(100);
    const bool activated = echoed(run.exchange());
    if (!activated) run.print("\nError Activating AVI values.\n");
    run.release();
    return activated;
}

// An unacknowledged write is reported, and the activation follows all the same.
bool hdrInfoFrame(Run& run) {
    if (!run.open()) return false;
    const bool written = echoed(run.exchange());
    run.print(written ? "Infoframe values written...\n" : "Error Writing Infoframe values.\n");
    run.sleep(100);
    const bool activated = echoed(run.exchange());
    if (!activated) run.print("\nError Populating IF values.\n");
    run.release();
    return written && activated;
}

// The report's step frames: their replies are not looked at, nothing is printed.
void reportStep(Run& run) {
    if (!run.open()) return;
    run.exchange();
    run.release();
}

// Always true. Each block read opens and releases the device by itself; a
// block that failed is decoded with what arrived.
bool report(Run& run, bool gateOpen) {
    const auto status = echoExchange(run, "Error Reading values\n");
    if (!status || !dataArrived(*status) || !gateOpen) return true;
    reportStep(run);
    for (int block = 0; block < 7; ++block) echoExchange(run, "Error Reading values\n");
    reportStep(run);
    return true;
}

}  // namespace

std::optional<Expected> expectedRun(Shape shape, const Conditions& conditions) {
    static constexpr KindRule noFault{"", std::nullopt, Discovery::none};
    const KindRule* rule = &noFault;
    if (!conditions.fault.kind.empty()) {
        rule = nullptr;
        for (const auto& r : kindRules)
            if (r.kind == conditions.fault.kind) rule = &r;
        if (!rule) return std::nullopt;
    }
    Run run(conditions, *rule);
    bool result = false;
    switch (shape) {
        case Shape::settingWrite: result = settingWrite(run); break;
        case Shape::stateRead:
        case Shape::versionRead:
        case Shape::matrixRead: result = registerRead(run); break;
        case Shape::matrixWrite: result = matrixWrite(run); break;
        case Shape::edidRead: result = edidRead(run, false); break;
        case Shape::sinkEdidRead: result = edidRead(run, true); break;
        case Shape::edidWrite: result = edidWrite(run); break;
        case Shape::builtInEdid: {
            // Two whole operations: the selection is sent whatever became of the upload.
            const bool uploaded = edidWrite(run);
            result = settingWrite(run) && uploaded;
            break;
        }
        case Shape::aviInfoFrame: result = aviInfoFrame(run); break;
        case Shape::hdrInfoFrame: result = hdrInfoFrame(run); break;
        case Shape::report: result = report(run, conditions.reportGateOpen); break;
    }
    run.e.result = result;
    run.e.linkOpenAfter = run.linkOpen();
    return std::move(run.e);
}

}  // namespace brixel::faults
