#include "ui/main/launcher.h"

#include "ui/common/handles.h"
#include "ui/main/windows_host.h"

#include <windows.h>

namespace karnio {

namespace {

int ErrorNumber(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
        return kErrorNumberFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return kErrorNumberPermissionDenied;
    default:
        return error ? static_cast<int>(error) : kErrorNumberInvalidCall;
    }
}

}  // namespace

int KaynnistaKomento(const std::wstring& commandLine)
{
    WindowsHostSystem system;
    const PreparedCommand prepared = PrepareCommand(commandLine, system);
    if (prepared.result == PreparedCommand::TooLong) return ERROR_FILENAME_EXCED_RANGE;
    if (prepared.result == PreparedCommand::Empty) return kErrorNumberInvalidCall;

    const FoundProgram found = FindProgram(prepared.parts.program, system, ProgramSearch::Everywhere);
    if (found.result != FoundProgram::Found) return kErrorNumberFileNotFound;
    const std::wstring& program = found.path;
    // Checked on the path Windows would open: "x.bat ." is x.bat.
    if (IsBatchFile(program)) return ERROR_BAD_EXE_FORMAT;

    std::wstring line = L"\"" + program + L"\"" + prepared.parts.arguments;
    if (line.size() >= kMaxCommandLine) return ERROR_FILENAME_EXCED_RANGE;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ErrorNumber(GetLastError());
    UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return 0;
}

}  // namespace karnio
