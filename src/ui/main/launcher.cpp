#include "ui/main/launcher.h"

#include "ui/common/handles.h"
#include "ui/common/shell.h"
#include "ui/main/windows_host.h"

#include <windows.h>

namespace karnio {

Launch KaynnistaKomento(const std::wstring& commandLine, const CommandContext& context)
{
    WindowsHostSystem system;
    LaunchPlan plan = PlanLaunch(commandLine, system, context);
    if (plan.error) return {plan.error, plan.missingDrive};
    if (context.environment) {
        // Their program, as them: through the desktop's shell, or not at all.
        const std::size_t slash = plan.program.find_last_of(L'\\');
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : plan.program.substr(0, slash);
        const std::size_t first = plan.arguments.find_first_not_of(L" \t");
        const std::wstring arguments = first == std::wstring::npos ? std::wstring() : plan.arguments.substr(first);
        if (!OpenOnDesktop({nullptr, plan.program, arguments, folder})) return {0, 0, true};
        return {};
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    const auto start = [&](const std::wstring& application) {
        return CreateProcessW(application.c_str(), plan.line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process);
    };
    if (!start(plan.application)) {
        const DWORD error = GetLastError();
        // Where the extended form is refused (Wine refuses any program path of 260 characters or
        // more), the same file's short path, if it has one that is shorter, may still start it.
        std::wstring shortPath(kMaxPath, L'\0');
        const DWORD length = plan.application == plan.program
                                 ? 0
                                 : GetShortPathNameW(plan.application.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
        shortPath.resize(length < shortPath.size() ? length : 0);
        if (shortPath.rfind(L"\\\\?\\", 0) == 0) shortPath.erase(0, 4);
        if (shortPath.empty() || shortPath.size() >= kMaxPath || !start(shortPath)) return {ErrorNumber(error)};
    }
    UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return {};
}

}  // namespace karnio
