#include "ui/ui_support.h"

#include "ui/common/shell.h"

namespace karnio::test {

std::vector<ShellCall>& RecordedShellCalls()
{
    static std::vector<ShellCall> calls;
    return calls;
}

namespace {
HINSTANCE WINAPI Recorder(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                          const wchar_t* folder, int show)
{
    const auto text = [](const wchar_t* value) { return value ? std::wstring(value) : std::wstring(L"<null>"); };
    RecordedShellCalls().push_back({owner, text(verb), text(file), text(parameters), text(folder), show});
    return reinterpret_cast<HINSTANCE>(42);
}
}  // namespace

void RecordShellCalls(std::vector<DesktopStep> desktopSteps)
{
    RecordedShellCalls().clear();
    SetShellRoute(std::move(desktopSteps), Recorder);
}

}  // namespace karnio::test
