#include "ui/main/launcher.h"

#include "ui/common/handles.h"

#include <windows.h>

#include <iterator>

namespace karnio {

namespace {

// %NAME% variables expanded; false when the line is, or would become, too long to
// start (ExpandEnvironmentStrings itself cuts such lines short without a word).
bool Expand(const std::wstring& text, std::wstring& expanded)
{
    if (text.size() >= kMaxCommandLine) return false;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0 || needed > kMaxCommandLine) {
        expanded = text;
        return needed == 0;
    }
    expanded.assign(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return false;
    expanded.resize(written - 1);
    return true;
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasExtension(const std::wstring& path)
{
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
}

std::wstring Folder(UINT(WINAPI* get)(wchar_t*, UINT))
{
    wchar_t folder[MAX_PATH];
    const UINT length = get(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The system folders, then the absolute folders of PATH: where a bare name may come from.
std::wstring SearchFolders()
{
    std::wstring folders = Folder(GetSystemDirectoryW) + L";" + Folder(GetWindowsDirectoryW);
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring folder = path.substr(start, end - start);
        const PathKind kind = ClassifyPath(folder);
        if (kind == PathKind::Absolute || kind == PathKind::Unc) folders += L";" + folder;
        start = end + 1;
    }
    return folders;
}

// The path as Windows reads it: made absolute, with trailing dots and blanks dropped.
std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(written < needed ? written : 0);
    return full;
}

// The full path of the program, or empty when there is no such file.
std::wstring FindProgram(const std::wstring& program)
{
    switch (ClassifyPath(program)) {
    case PathKind::Bare: {
        const std::wstring folders = SearchFolders();
        wchar_t found[MAX_PATH * 4];
        const DWORD length = SearchPathW(folders.c_str(), program.c_str(), L".exe", static_cast<DWORD>(std::size(found)), found, nullptr);
        return length > 0 && length < std::size(found) && IsFile(found) ? std::wstring(found, length) : std::wstring();
    }
    case PathKind::Absolute:
    case PathKind::Unc: {
        const std::wstring full = FullPath(program);
        if (full.empty()) return {};
        if (IsFile(full)) return full;
        if (!HasExtension(full) && IsFile(full + L".exe")) return full + L".exe";
        return {};
    }
    case PathKind::Empty:
    case PathKind::Relative:
    case PathKind::Device:
        break;
    }
    return {};
}

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
    // What runs is what the list shows: nothing after a zero character.
    std::wstring expanded;
    if (!Expand(UpToNul(commandLine), expanded)) return ERROR_FILENAME_EXCED_RANGE;
    const CommandLineParts parts = SplitCommandLine(expanded);
    if (parts.program.empty()) return kErrorNumberInvalidCall;

    const std::wstring program = FindProgram(parts.program);
    if (program.empty()) return kErrorNumberFileNotFound;
    // Checked on the path Windows would open: "x.bat ." is x.bat.
    if (IsBatchFile(program)) return ERROR_BAD_EXE_FORMAT;

    std::wstring line = L"\"" + program + L"\"" + parts.arguments;
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
