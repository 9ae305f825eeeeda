#include "ui/main/command_line.h"

namespace karnio {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool HasExtension(const std::wstring& path)
{
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name)
{
    return !folder.empty() && IsSeparator(folder.back()) ? folder + name : folder + L"\\" + name;
}

bool OnLocalFixedDrive(const std::wstring& path, HostSystem& system)
{
    const wchar_t letter = DriveLetter(path);
    return letter != 0 && system.IsLocalFixedDrive(letter);
}

std::wstring Trim(const std::wstring& text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix)
{
    const std::wstring tail(suffix);
    if (text.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (LowerAscii(text[text.size() - tail.size() + i]) != LowerAscii(tail[i])) return false;
    return true;
}

bool IsBatchFile(const std::wstring& path) { return EndsWithNoCase(path, L".bat") || EndsWithNoCase(path, L".cmd"); }

std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

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

PathKind ClassifyPath(const std::wstring& program)
{
    if (program.empty()) return PathKind::Empty;
    if (program.size() >= 2 && IsSeparator(program[0]) && IsSeparator(program[1])) {
        if (program.size() >= 3 && (program[2] == L'.' || program[2] == L'?')) return PathKind::Device;
        return PathKind::Unc;
    }
    if (program.size() >= 3 && IsDriveLetter(program[0]) && program[1] == L':' && IsSeparator(program[2]))
        return PathKind::Absolute;
    if (program.find_first_of(L"\\/:") == std::wstring::npos) return PathKind::Bare;
    return PathKind::Relative;
}

PreparedCommand PrepareCommand(const std::wstring& commandLine, HostSystem& system)
{
    // What runs is what the list shows: nothing after a zero character.
    std::wstring expanded;
    if (!system.ExpandVariables(UpToNul(commandLine), expanded)) return {PreparedCommand::TooLong, {}};
    CommandLineParts parts = SplitCommandLine(expanded);
    return {parts.program.empty() ? PreparedCommand::Empty : PreparedCommand::Ready, std::move(parts)};
}

wchar_t DriveLetter(const std::wstring& path)
{
    return ClassifyPath(path) == PathKind::Absolute ? static_cast<wchar_t>(path[0] & ~0x20) : 0;
}

FoundProgram FindProgram(const std::wstring& program, HostSystem& system, ProgramSearch search)
{
    const bool localOnly = search == ProgramSearch::LocalFixed;
    switch (ClassifyPath(program)) {
    case PathKind::Bare: {
        const std::wstring name = HasExtension(program) ? program : program + L".exe";
        bool passedOver = false;
        for (const std::wstring& folder : system.SearchFolders()) {
            if (localOnly && !OnLocalFixedDrive(folder, system)) {
                passedOver = true;
                continue;
            }
            std::wstring candidate = Join(folder, name);
            if (system.IsFile(candidate)) return {FoundProgram::Found, std::move(candidate)};
        }
        // The name may well be in a folder that was not looked in.
        return {passedOver ? FoundProgram::Unsure : FoundProgram::Missing, {}};
    }
    case PathKind::Absolute:
    case PathKind::Unc: {
        if (localOnly && !OnLocalFixedDrive(program, system)) return {FoundProgram::Unsure, {}};
        const std::wstring full = system.FullPath(program);
        if (full.empty()) return {FoundProgram::Missing, {}};
        if (system.IsFile(full)) return {FoundProgram::Found, full};
        if (!HasExtension(full) && system.IsFile(full + L".exe")) return {FoundProgram::Found, full + L".exe"};
        return {FoundProgram::Missing, {}};
    }
    case PathKind::Empty:
    case PathKind::Relative:
    case PathKind::Device:
        break;
    }
    // The launcher refuses these; what they would name nobody can say.
    return {localOnly ? FoundProgram::Unsure : FoundProgram::Missing, {}};
}

}  // namespace karnio
