// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/console.h"
#include "text/windows_error.h"

namespace brixel::cli::console {
namespace {

constexpr const wchar_t* vendorLayerName = L"SiUSBXp.dll";
constexpr const wchar_t* libraryName = L"BrixelLibrary.dll";
// Where the SDK keeps the stand-in, from the folder of brixelctl.exe.
constexpr const wchar_t* standInFolder = L"..\\simulator";

std::atomic<bool> interruptFlag{false};
HANDLE stopEvent = nullptr;

BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    if (stopEvent) return SetEvent(stopEvent);
    // A second Ctrl-C ends the tool at once: the next handler, Windows' own, does.
    return interruptFlag.exchange(true) ? FALSE : TRUE;
}

HANDLE handle(Stream stream) {
    switch (stream) {
        case Stream::input: return GetStdHandle(STD_INPUT_HANDLE);
        case Stream::output: return GetStdHandle(STD_OUTPUT_HANDLE);
        case Stream::error: return GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

std::string utf8(const wchar_t* text, int length = -1) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    if (length < 0) out.pop_back();  // the terminating NUL, counted
    return out;
}

std::filesystem::path moduleFile(HMODULE module) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

bool vendorLayerLoaded() { return GetModuleHandleW(vendorLayerName) != nullptr; }

}  // namespace

// The console as the tool found it, given back when it ends: the window
// outlives the tool, and its next program expects its own code page.
UINT codePageFound = 0;
DWORD modesFound[2] = {};
bool modeSet[2] = {};

void restoreConsole() {
    if (codePageFound) SetConsoleOutputCP(codePageFound);
    const DWORD ids[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 2; ++i)
        if (modeSet[i]) SetConsoleMode(GetStdHandle(ids[i]), modesFound[i]);
}

void prepare() {
    codePageFound = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    for (const int fd : {0, 1, 2}) _setmode(fd, _O_BINARY);
    // Colour and the like where the console takes them: asked for once, here.
    const DWORD ids[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 2; ++i) {
        const HANDLE h = GetStdHandle(ids[i]);
        if (GetConsoleMode(h, &modesFound[i]))
            modeSet[i] = SetConsoleMode(h, modesFound[i] | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    }
    std::atexit(restoreConsole);
}

Arguments::Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 0; i < count; ++i) words_.push_back(utf8(wide[i]));
        LocalFree(wide);
    } else {
        words_.assign(argv, argv + argc);
    }
    for (auto& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
}

bool isTerminal(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handle(stream), &mode) != 0;
}

bool takesEscapes(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handle(stream), &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void catchInterrupts() { SetConsoleCtrlHandler(onControl, TRUE); }

bool interrupted() { return interruptFlag; }

StopRequest::StopRequest() {
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onControl, TRUE);
}

StopRequest::~StopRequest() {
    SetConsoleCtrlHandler(onControl, FALSE);
    HANDLE event = stopEvent;
    stopEvent = nullptr;
    if (event) CloseHandle(event);
}

void StopRequest::wait() {
    if (stopEvent) WaitForSingleObject(stopEvent, INFINITE);
}

namespace {

DllFound findDll(const wchar_t* name) {
    DllFound dll;
    // Only to find it: nothing of it runs.
    if (HMODULE data = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        dll.found = true;
        dll.file = utf8(moduleFile(data).c_str());
        FreeLibrary(data);
    }
    HMODULE module = LoadLibraryW(name);
    if (!module) {
        dll.problem = text::windowsErrorText(GetLastError());
        return dll;
    }
    dll.loads = true;
    if (dll.file.empty()) dll.file = utf8(moduleFile(module).c_str());
    // Kept loaded: what loads later uses this one.
    return dll;
}

}  // namespace

DllFound findVendorLayer() { return findDll(vendorLayerName); }

DllFound findLibraryDll() { return findDll(libraryName); }

// BrixelLibrary.dll, once SiUSBXp.dll is there for it: checked before its
// first call, which would otherwise end the tool with an exception.
bool libraryDllLoads(std::string& why) {
    if (GetModuleHandleW(libraryName)) return true;
    const DllFound library = findLibraryDll();
    if (library.loads) return true;
    why = dllProblem(library, "BrixelLibrary.dll") + ". brixelctl.exe needs the " + (sizeof(void*) == 8 ? "64" : "32") +
          "-bit BrixelLibrary.dll of its own SDK beside it, as bin\\ holds them";
    return false;
}

bool libraryLoadable(bool simulate, std::string& why) {
    if (vendorLayerLoaded()) return libraryDllLoads(why);
    const DllFound vendor = findVendorLayer();
    if (vendor.loads) return libraryDllLoads(why);
    if (simulate) {
        const auto standIn = moduleFile(nullptr).parent_path() / standInFolder / vendorLayerName;
        // Loaded by its full name first, the stand-in is the SiUSBXp.dll the library then gets.
        if (LoadLibraryExW(standIn.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return libraryDllLoads(why);
    }
    why = dllProblem(vendor, "SiUSBXp.dll, the vendor's USB layer,") +
          (vendor.found ? " (it must be the " + std::string(sizeof(void*) == 8 ? "64" : "32") + "-bit one)"
           : simulate   ? ", nor is the SDK's stand-in in simulator\\"
                        : "");
    why += ". Put the vendor's SiUSBXp.dll beside BrixelLibrary.dll; `brixelctl doctor` checks the setup";
    return false;
}

}  // namespace brixel::cli::console
