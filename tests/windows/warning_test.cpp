// SPDX-License-Identifier: MIT
// The warning path through the real MessageBoxW: the DLL's USER32 import is
// watched (arguments recorded, then passed on to the real function) and a
// computer-based-training hook counts the dialogs that MessageBoxW starts.
// With no display wine's MessageBoxW returns -1 at once instead of waiting.

#include <BrixelPlatform.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/siusbxp/sim_control.h"

namespace {

template <typename Fn>
Fn as(FARPROC p) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

struct MessageBoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};
std::vector<MessageBoxCall> messageBoxes;
decltype(&MessageBoxW) realMessageBoxW = nullptr;

int WINAPI watchedMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    messageBoxes.push_back({owner, text ? text : L"(null)", caption ? caption : L"(null)", type});
    return realMessageBoxW(owner, text, caption, type);
}

// Points the module's import of `dll`!`function` at `replacement`; returns the old target.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return previous;
        }
    }
    return nullptr;
}

// Dialogs that user32 began to create. With no display wine cannot finish one,
// so its caption and controls are never set; the arguments are checked above.
int dialogs = 0;

LRESULT CALLBACK watchWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
        if (std::wstring(name) == L"#32770") ++dialogs;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class WarningTest : public testing::Test {
protected:
    HMODULE dll = nullptr;
    HMODULE siusbxp = nullptr;
    HHOOK hook = nullptr;

    void SetUp() override {
        dll = LoadLibraryW(L"BrixelLibrary.dll");
        ASSERT_NE(dll, nullptr);
        siusbxp = GetModuleHandleW(L"SiUSBXp.dll");
        ASSERT_NE(siusbxp, nullptr);
        void* previous = patchImport(dll, "USER32.dll", "MessageBoxW", reinterpret_cast<void*>(&watchedMessageBoxW));
        ASSERT_NE(previous, nullptr) << "BrixelLibrary.dll does not import MessageBoxW from USER32.dll";
        realMessageBoxW = reinterpret_cast<decltype(&MessageBoxW)>(previous);
        ASSERT_EQ(realMessageBoxW,
                  as<decltype(&MessageBoxW)>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxW")));
        hook = SetWindowsHookExW(WH_CBT, watchWindows, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        messageBoxes.clear();
        dialogs = 0;
        as<SimResetFn>(control("simReset"))();
    }
    void TearDown() override {
        if (hook) UnhookWindowsHookEx(hook);
        if (dll) FreeLibrary(dll);
    }

    FARPROC control(const char* name) const { return GetProcAddress(siusbxp, name); }
    FARPROC exported(const char* decorated) const { return GetProcAddress(dll, decorated); }
    int addDevice(const char* serial) { return as<SimAddDeviceFn>(control("simAddDevice"))(serial); }
    void fault(int device, const char* name) {
        ASSERT_EQ(as<SimSetFaultFn>(control("simSetFault"))(device, name), 1) << name;
    }
    bool setActivePort(BRIXEL_INPORT port) {
        const auto fn = as<decltype(&::setActivePort)>(exported("?setActivePort@@YA_NW4BRIXEL_INPORT@@@Z"));
        return fn && fn(port);
    }
};

struct Case {
    const char* situation;
    const char* serial;  // nullptr: no device attached
    const char* fault;
    bool result;
    const wchar_t* warning;
};

TEST_F(WarningTest, EachLinkFailureShowsOneWarningBox) {
    const Case cases[] = {
        {"no device", nullptr, nullptr, false, L"BRIXEL USB not connected!"},
        {"no serial match", "2024 ", nullptr, false, L"BRIXEL USB not connected!"},
        {"count fails", "2024", "count", false, L"BRIXEL USB not connected!"},
        {"open fails", "2024", "open", false, L"Usb device open error!"},
        {"close fails", "2024", "close", true, L"Unable to close device handle!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        as<SimResetFn>(control("simReset"))();
        messageBoxes.clear();
        dialogs = 0;
        if (c.serial) {
            const int device = addDevice(c.serial);
            if (c.fault) fault(std::strcmp(c.fault, "count") == 0 ? -1 : device, c.fault);
        }
        const DWORD start = GetTickCount();
        EXPECT_EQ(setActivePort(BRIXEL_INPORT_2), c.result);
        EXPECT_LT(GetTickCount() - start, 30000u) << "the box waited for a click";
        ASSERT_EQ(messageBoxes.size(), 1u);
        EXPECT_EQ(messageBoxes[0].owner, nullptr);
        EXPECT_EQ(messageBoxes[0].text, c.warning);
        EXPECT_EQ(messageBoxes[0].caption, L" ");
        EXPECT_EQ(messageBoxes[0].type, static_cast<UINT>(MB_ICONWARNING));
        // The real MessageBoxW made its dialog.
        EXPECT_EQ(dialogs, 1);
    }
}

TEST_F(WarningTest, AHealthyDeviceShowsNoWarning) {
    addDevice("2024");
    EXPECT_TRUE(setActivePort(BRIXEL_INPORT_1));
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_EQ(dialogs, 0);
}

}  // namespace
