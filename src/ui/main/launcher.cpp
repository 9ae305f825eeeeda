#include "ui/main/launcher.h"

#include "ui/common/handles.h"

#include <windows.h>

#include <cwctype>

namespace karnio {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix)
{
    const std::size_t length = wcslen(suffix);
    return text.size() >= length && _wcsicmp(text.c_str() + text.size() - length, suffix) == 0;
}

std::wstring Trim(const std::wstring& text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::wstring Expand(const std::wstring& text)
{
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    expanded.resize(written ? written - 1 : 0);
    return expanded;
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

// The full path of the program, or empty when there is no such file.
std::wstring FindProgram(const std::wstring& program)
{
    if (program.find_first_of(L"\\/:") == std::wstring::npos) {
        // A bare name: the application folder, the system folders and the search path.
        wchar_t found[MAX_PATH * 4];
        const DWORD length = SearchPathW(nullptr, program.c_str(), L".exe", static_cast<DWORD>(std::size(found)), found, nullptr);
        return length > 0 && length < std::size(found) && IsFile(found) ? std::wstring(found, length) : std::wstring();
    }
    if (IsFile(program)) return program;
    if (!HasExtension(program) && IsFile(program + L".exe")) return program + L".exe";
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

CommandLineParts SplitCommandLine(const std::wstring& commandLine)
{
    const std::wstring line = Trim(commandLine);
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        if (close == std::wstring::npos) return {line.substr(1), L""};
        return {line.substr(1, close - 1), line.substr(close + 1)};
    }
    for (std::size_t end = 0; end <= line.size(); ++end) {
        if (end < line.size() && !IsBlank(line[end])) continue;
        const std::wstring candidate = line.substr(0, end);
        if (EndsWithNoCase(candidate, L".exe") || EndsWithNoCase(candidate, L".com"))
            return {candidate, line.substr(end)};
    }
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return {line.substr(0, end), line.substr(end)};
}

int KaynnistaKomento(const std::wstring& commandLine)
{
    const CommandLineParts parts = SplitCommandLine(Expand(commandLine));
    if (parts.program.empty()) return kErrorNumberInvalidCall;

    const std::wstring program = FindProgram(parts.program);
    if (program.empty()) return kErrorNumberFileNotFound;
    // Batch files would need cmd.exe; only programs are started.
    if (EndsWithNoCase(program, L".bat") || EndsWithNoCase(program, L".cmd")) return ERROR_BAD_EXE_FORMAT;

    std::wstring line = L"\"" + program + L"\"" + parts.arguments;
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
