// SPDX-License-Identifier: MIT
#pragma once
// What brixelctl asks of the operating system around its commands: the
// arguments, the console, Ctrl-C, and the library's own DLLs where they are
// loaded at run time. One file per system: console_posix.cpp, console_windows.cpp.

#include <string>
#include <vector>

namespace brixel::cli::console {

// Before anything is read or written. On Windows: UTF-8 on the console, and
// the standard streams in binary mode, so that bytes and line ends go out
// and come in as they are on Linux.
void prepare();

// The command line as UTF-8 words (on Windows read from the wide command line).
class Arguments {
public:
    Arguments(int argc, char** argv);
    int count() const { return static_cast<int>(pointers_.size()) - 1; }
    char** values() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

enum class Stream { input, output, error };

// A terminal, where a person reads and types.
bool isTerminal(Stream stream);

// A terminal that takes the escape sequences for colour, clearing and
// overwriting a line (on Windows a console with virtual terminal processing).
bool takesEscapes(Stream stream);

// Ctrl-C (SIGINT, SIGTERM; on Windows the console's Ctrl-C, Ctrl-Break and
// close) asks the running command to stop at its next step; a second one
// ends the tool at once.
void catchInterrupts();
bool interrupted();

// Waits for Ctrl-C while threads serve. Made before they start: on POSIX the
// stop signals are then blocked in every thread and taken by wait() alone.
class StopRequest {
public:
    StopRequest();
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;
    void wait();
};

// A DLL as the loader finds it (Windows; on Linux there is none: the library
// reaches devices through libusb).
struct DllFound {
    bool found = false;   // somewhere the loader looks
    std::string file;     // where, when found
    bool loads = false;   // and it loads, for this architecture
    std::string problem;  // why not, when it does not
};
// Why `dll`, named `what`, cannot be used: "<what> is at <file> but does not
// load: <problem>" or "<what> is not beside brixelctl.exe nor on the PATH".
inline std::string dllProblem(const DllFound& dll, const std::string& what) {
    return dll.found ? what + " is at " + dll.file + " but does not load: " + dll.problem
                     : what + " is not beside brixelctl.exe nor on the PATH";
}
// SiUSBXp.dll, the vendor's USB layer, for BrixelLibrary.dll.
DllFound findVendorLayer();
// BrixelLibrary.dll itself, once SiUSBXp.dll is there.
DllFound findLibraryDll();

// Whether the library can be called: on Windows BrixelLibrary.dll is loaded
// at its first call and needs SiUSBXp.dll, the vendor's USB layer; both must
// load. For the simulated device, where the vendor's is missing, the stand-in
// that the SDK ships (simulator\SiUSBXp.dll) takes its place. False with
// `why` set otherwise. Always true on Linux.
bool libraryLoadable(bool simulate, std::string& why);

}  // namespace brixel::cli::console
