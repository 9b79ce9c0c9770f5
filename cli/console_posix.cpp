// SPDX-License-Identifier: MIT
#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include "cli/console.h"

namespace brixel::cli::console {
namespace {

volatile std::sig_atomic_t interruptFlag = 0;

void onInterrupt(int) { interruptFlag = 1; }

int descriptor(Stream stream) {
    switch (stream) {
        case Stream::input: return STDIN_FILENO;
        case Stream::output: return STDOUT_FILENO;
        case Stream::error: return STDERR_FILENO;
    }
    return -1;
}

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

void prepare() {}

Arguments::Arguments(int argc, char** argv) : words_(argv, argv + argc) {
    for (auto& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
}

bool isTerminal(Stream stream) { return isatty(descriptor(stream)) != 0; }

bool takesEscapes(Stream stream) { return isTerminal(stream); }

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // A second Ctrl-C ends the tool at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() { return interruptFlag != 0; }

StopRequest::StopRequest() {
    // Threads started after this inherit the mask: the signal comes to wait() alone.
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

StopRequest::~StopRequest() = default;

void StopRequest::wait() {
    const sigset_t signals = stopSignals();
    int received = 0;
    sigwait(&signals, &received);
}

DllFound findVendorLayer() { return {}; }

DllFound findLibraryDll() { return {}; }

bool libraryLoadable(bool, std::string&) { return true; }

}  // namespace brixel::cli::console
