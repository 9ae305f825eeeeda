#include "ui/main/launcher.h"

#include "ui/common/handles.h"
#include "ui/main/windows_host.h"

#include <windows.h>

namespace karnio {

int KaynnistaKomento(const std::wstring& commandLine)
{
    WindowsHostSystem system;
    LaunchPlan plan = PlanLaunch(commandLine, system);
    if (plan.error) return plan.error;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(plan.program.c_str(), plan.line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ErrorNumber(GetLastError());
    UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return 0;
}

}  // namespace karnio
