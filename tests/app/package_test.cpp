// The release ZIP, unpacked by tools/test: karnio.exe starts from its folder and
// F1 opens the readme beside it, through the real shell.
#include "ui/common/text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace karnio {
namespace {

struct Found {
    DWORD process;
    const wchar_t* titlePart;
    HWND window;
};

HWND FindTopLevel(DWORD process, const wchar_t* titlePart, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        Found found = {process, titlePart, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& wanted = *reinterpret_cast<Found*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t title[256] = {};
                GetWindowTextW(window, title, 256);
                if ((wanted.process == 0 || owner == wanted.process) && IsWindowVisible(window) &&
                    wcsstr(title, wanted.titlePart)) {
                    wanted.window = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found.window) return found.window;
        Sleep(50);
    }
    return nullptr;
}

TEST(Package, StartsFromItsFolderAndF1OpensTheReadme)
{
    const char* folder = std::getenv("KARNIO_PACKAGE_DIR");
    std::wstring directory = L"Z:" + Wide(folder ? folder : "");
    for (auto& c : directory) if (c == L'/') c = L'\\';
    const std::wstring program = directory + L"\\karnio.exe";
    // tools/test always unpacks one: its absence is a fault of the build, not a reason to pass.
    ASSERT_TRUE(folder && GetFileAttributesW(program.c_str()) != INVALID_FILE_ATTRIBUTES)
        << "no unpacked package at " << (folder ? folder : "(KARNIO_PACKAGE_DIR not set)");
    ASSERT_NE(GetFileAttributesW((directory + L"\\readme.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // Started from elsewhere: the readme must be found beside the program, not in the current folder.
    SetCurrentDirectoryW(L"C:\\");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = L"\"" + program + L"\"";
    ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << GetLastError();
    HWND karnio = FindTopLevel(process.dwProcessId, L"Karnio", 20000);
    ASSERT_TRUE(karnio);

    PostMessageW(karnio, WM_KEYDOWN, VK_F1, 0);
    PostMessageW(karnio, WM_KEYUP, VK_F1, 0);
    HWND readme = FindTopLevel(0, L"readme", 20000);
    EXPECT_TRUE(readme) << "no window showing readme.txt";

    if (readme) PostMessageW(readme, WM_CLOSE, 0, 0);
    PostMessageW(karnio, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

}  // namespace
}  // namespace karnio
