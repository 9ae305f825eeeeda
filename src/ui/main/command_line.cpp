#include "ui/main/command_line.h"

#include <cwchar>
#include <optional>

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

// A program file Windows starts as it is: the text ends in ".exe" or ".com".
bool NamesProgramFile(const std::wstring& text)
{
    return EndsWithNoCase(text, L".exe") || EndsWithNoCase(text, L".com");
}

bool OnLocalFixedDrive(const std::wstring& path, HostSystem& system)
{
    const wchar_t letter = DriveLetter(path);
    return letter != 0 && system.IsLocalFixedDrive(letter);
}

// What a full path names in the first of its forms that names anything, and that form.
struct Probed {
    PathState state;
    std::wstring path;
};
Probed ProbeForms(const std::wstring& full, HostSystem& system, bool wow64)
{
    for (std::wstring& form : PathForms(full, system, wow64)) {
        const PathState state = system.Probe(ExtendedPath(form));
        if (state.kind != PathState::Missing) return {state, std::move(form)};
    }
    return {{PathState::Missing}, full};
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& start)
{
    if (start.empty() || text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i)
        if (LowerAscii(text[i]) != LowerAscii(start[i])) return false;
    return true;
}

// The rest of path below folder (leading separator included), or nothing when it is not below it.
std::optional<std::wstring> Below(const std::wstring& path, const std::wstring& folder)
{
    if (!StartsWithNoCase(path, folder) || (path.size() > folder.size() && path[folder.size()] != L'\\')) return std::nullopt;
    return path.substr(folder.size());
}

std::wstring Trim(const std::wstring& text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// A file or folder name: not empty, not only blanks or dots, and none of the
// characters Windows forbids in names.
bool IsName(const std::wstring& text)
{
    if (text.find_first_not_of(L" \t.") == std::wstring::npos) return false;
    for (const wchar_t c : text)
        if (c < 32 || std::wcschr(L"<>:\"|?*", c)) return false;
    return true;
}

// Whether the text up to the blank at end may be the program, by the folder rules:
// never when the text after the blank, up to the next separator, is a name and
// the whole names an existing folder (C:\Program of C:\Program Files\...); and, in
// the blank-by-blank search, never when that name is followed by a separator,
// folder or not: the program lies inside it, and is gone when the folder is.
struct CandidateCheck {
    enum Kind { Take, Skip, Unsure } kind;
    unsigned long error = 0;
};

CandidateCheck CheckCandidate(const std::wstring& line, std::size_t end, bool blankByBlank, HostSystem& system,
                              ProgramSearch search, bool wow64)
{
    if (end >= line.size()) return {CandidateCheck::Take};
    const std::size_t next = line.find_first_of(L"\\/", end + 1);
    const std::wstring text = line.substr(end + 1, next == std::wstring::npos ? std::wstring::npos : next - end - 1);
    if (!IsName(text)) return {CandidateCheck::Take};
    if (blankByBlank && next != std::wstring::npos) return {CandidateCheck::Skip};
    const std::wstring folder = line.substr(0, next);
    const PathKind kind = ClassifyPath(folder);
    if (kind != PathKind::Absolute && kind != PathKind::Unc) return {CandidateCheck::Take};
    if (search == ProgramSearch::LocalFixed && !OnLocalFixedDrive(folder, system)) return {CandidateCheck::Unsure};
    const PathState state = ProbePath(folder, system, wow64);
    if (state.kind == PathState::Folder) return {CandidateCheck::Skip};
    // Nobody can say whether the folder is there: the shorter program is not run.
    if (state.kind == PathState::Failed) return {CandidateCheck::Unsure, state.error};
    return {CandidateCheck::Take};
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

int ErrorNumber(unsigned long error)
{
    switch (error) {
    case 2:    // ERROR_FILE_NOT_FOUND
    case 3:    // ERROR_PATH_NOT_FOUND
    case 15:   // ERROR_INVALID_DRIVE
    case 123:  // ERROR_INVALID_NAME
    case 161:  // ERROR_BAD_PATHNAME
        return kErrorNumberFileNotFound;
    case 5:    // ERROR_ACCESS_DENIED
    case 32:   // ERROR_SHARING_VIOLATION
        return kErrorNumberPermissionDenied;
    default:
        return error ? static_cast<int>(error) : kErrorNumberInvalidCall;
    }
}

bool IsBatchFile(const std::wstring& path) { return EndsWithNoCase(path, L".bat") || EndsWithNoCase(path, L".cmd"); }

std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

PathState ProbePath(const std::wstring& path, HostSystem& system, bool wow64)
{
    const std::wstring full = system.FullPath(path);
    return full.empty() ? PathState{PathState::Missing} : ProbeForms(full, system, wow64).state;
}

std::wstring ExtendedPath(const std::wstring& fullPath)
{
    if (fullPath.rfind(L"\\\\?\\", 0) == 0) return fullPath;
    if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}

std::vector<std::wstring> PathForms(const std::wstring& fullPath, HostSystem& system, bool wow64)
{
    if (!wow64) return {fullPath};
    const Wow64Folders folders = system.Wow64();
    if (folders.wow64.empty()) return {fullPath};
    // Windows never redirects these folders below the system folder.
    static const wchar_t* const kShared[] = {L"\\catroot", L"\\catroot2", L"\\driverstore", L"\\drivers\\etc",
                                             L"\\logfiles", L"\\spool"};
    if (const std::optional<std::wstring> rest = Below(fullPath, folders.system)) {
        for (const wchar_t* shared : kShared)
            if (Below(*rest, shared)) return {fullPath};
        return {folders.wow64 + *rest, fullPath};
    }
    if (const std::optional<std::wstring> rest = Below(fullPath, Join(folders.windows, L"Sysnative")))
        return {folders.system + *rest, fullPath};
    return {fullPath};
}

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
        if (NamesProgramFile(candidate)) return {candidate, line.substr(end)};
    }
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return {line.substr(0, end), line.substr(end), false};
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

std::optional<std::wstring> ExpandAsCommand(const std::wstring& text, HostSystem& system, const CommandContext& context,
                                            bool x86Variables)
{
    // What runs is what the list shows: nothing after a zero character.
    std::wstring line = UpToNul(text);
    if (x86Variables) {
        for (const wchar_t* name : {L"%programfiles%", L"%commonprogramfiles%"}) {
            const std::wstring wanted = name;
            for (std::size_t at = 0; at + wanted.size() <= line.size(); ++at)
                if (StartsWithNoCase(line.substr(at, wanted.size()), wanted)) line.insert(at + wanted.size() - 1, L"(x86)");
        }
    }
    std::wstring expanded;
    if (context.environment) {
        expanded = ExpandWith(line, *context.environment);
        if (expanded.size() >= kMaxCommandLine) return std::nullopt;
    } else if (!system.ExpandVariables(line, expanded)) {
        return std::nullopt;
    }
    return expanded;
}

PreparedCommand PrepareCommand(const std::wstring& commandLine, HostSystem& system, const CommandContext& context,
                               bool x86Variables)
{
    std::optional<std::wstring> expanded = ExpandAsCommand(commandLine, system, context, x86Variables);
    if (!expanded) return {PreparedCommand::TooLong, {}};
    CommandLineParts parts = SplitCommandLine(*expanded);
    const PreparedCommand::Result result = parts.program.empty() ? PreparedCommand::Empty : PreparedCommand::Ready;
    return {result, std::move(parts), std::move(*expanded)};
}

ResolvedCommand ResolveCommand(const std::wstring& commandLine, HostSystem& system, ProgramSearch search,
                               const CommandContext& context)
{
    const PreparedCommand prepared = PrepareCommand(commandLine, system, context);
    if (prepared.result != PreparedCommand::Ready) return {prepared.result, {}};
    const PreparedCommand x86 = context.wow64 ? PrepareCommand(commandLine, system, context, true) : prepared;
    if (x86.result == PreparedCommand::Ready && x86.line != prepared.line) {
        ResolvedProgram first = ResolveProgram(x86, system, search, true);
        if (first.result == FoundProgram::Found) return {PreparedCommand::Ready, std::move(first)};
        ResolvedProgram asWritten = ResolveProgram(prepared, system, search, true);
        // Grey only when neither form is there; the program as written is what the tip names.
        const bool unsure = first.result == FoundProgram::Unsure && asWritten.result != FoundProgram::Found;
        return {PreparedCommand::Ready, std::move(unsure ? first : asWritten)};
    }
    return {PreparedCommand::Ready, ResolveProgram(prepared, system, search, context.wow64)};
}

LaunchPlan PlanLaunch(const std::wstring& commandLine, HostSystem& system, const CommandContext& context)
{
    constexpr int kBadExeFormat = 193, kFilenameTooLong = 206;
    ResolvedCommand command = ResolveCommand(commandLine, system, ProgramSearch::Everywhere, context);
    if (command.result == PreparedCommand::TooLong) return {kFilenameTooLong};
    if (command.result == PreparedCommand::Empty) return {kErrorNumberInvalidCall};
    ResolvedProgram& found = command.program;
    if (found.result == FoundProgram::Unsure) return {ErrorNumber(found.error)};
    if (found.result != FoundProgram::Found) {
        LaunchPlan missing = {kErrorNumberFileNotFound};
        const wchar_t drive = DriveLetter(found.program);
        if (drive && !system.DriveHasRoot(drive)) missing.missingDrive = drive;
        return missing;
    }
    // Checked on the path Windows would open: "x.bat ." is x.bat.
    if (IsBatchFile(found.path)) return {kBadExeFormat};
    std::wstring line = L"\"" + found.path + L"\"" + found.arguments;
    if (line.size() >= kMaxCommandLine) return {kFilenameTooLong};
    // A program sees the path it was started by: the extended form only where nothing shorter reaches it.
    std::wstring application = found.path.size() >= kMaxPath ? ExtendedPath(found.path) : found.path;
    return {0, std::move(found.path), std::move(line), std::move(application), std::move(found.arguments)};
}

wchar_t DriveLetter(const std::wstring& path)
{
    return ClassifyPath(path) == PathKind::Absolute ? static_cast<wchar_t>(path[0] & ~0x20) : 0;
}

FoundProgram FindProgram(const std::wstring& program, HostSystem& system, ProgramSearch search, bool wow64)
{
    const bool localOnly = search == ProgramSearch::LocalFixed;
    // The first path that is a file; any answer but "not found" leaves it unsure.
    const auto find = [&](const std::vector<std::wstring>& tries) {
        for (const std::wstring& path : tries) {
            const std::wstring full = system.FullPath(path);
            if (full.empty()) continue;
            Probed probed = ProbeForms(full, system, wow64);
            if (probed.state.kind == PathState::File) return FoundProgram{FoundProgram::Found, std::move(probed.path)};
            if (probed.state.kind == PathState::Failed) return FoundProgram{FoundProgram::Unsure, {}, probed.state.error};
        }
        return FoundProgram{FoundProgram::Missing, {}};
    };
    switch (ClassifyPath(program)) {
    case PathKind::Bare: {
        const std::wstring name = HasExtension(program) ? program : program + L".exe";
        bool passedOver = false;
        for (const std::wstring& folder : system.SearchFolders()) {
            if (localOnly && !OnLocalFixedDrive(folder, system)) {
                passedOver = true;
                continue;
            }
            FoundProgram found = find({Join(folder, name)});
            if (found.result != FoundProgram::Missing) return found;
        }
        // The name may well be in a folder that was not looked in.
        return {passedOver ? FoundProgram::Unsure : FoundProgram::Missing, {}};
    }
    case PathKind::Absolute:
    case PathKind::Unc: {
        if (localOnly && !OnLocalFixedDrive(program, system)) return {FoundProgram::Unsure, {}};
        const std::wstring full = system.FullPath(program);
        if (full.empty()) return {FoundProgram::Missing, {}};
        // As Windows starts it: a name without an extension gets ".exe", never taken as
        // written; one that ends in "." gets none, and is taken without the dot.
        const std::size_t end = program.find_last_not_of(L" \t");
        const bool endsInDot = end != std::wstring::npos && program[end] == L'.';
        return find({HasExtension(full) || endsInDot ? full : full + L".exe"});
    }
    case PathKind::Empty:
    case PathKind::Relative:
    case PathKind::Device:
        break;
    }
    // The launcher refuses these; what they would name nobody can say.
    return {localOnly ? FoundProgram::Unsure : FoundProgram::Missing, {}};
}

ResolvedProgram ResolveProgram(const PreparedCommand& prepared, HostSystem& system, ProgramSearch search, bool wow64)
{
    const CommandLineParts& parts = prepared.parts;
    const std::wstring line = Trim(prepared.line);
    if (line.empty() || line[0] == L'"') {
        FoundProgram found = FindProgram(parts.program, system, search, wow64);
        return {found.result, parts.program, parts.arguments, std::move(found.path), found.error};
    }
    // The ends of the text before each blank (the first of a run: more blanks add
    // nothing to the name Windows would open), then the whole line.
    std::vector<std::size_t> ends;
    for (std::size_t end = 1; end < line.size(); ++end)
        if (IsBlank(line[end]) && !IsBlank(line[end - 1])) ends.push_back(end);
    ends.push_back(line.size());
    const auto namesProgramFile = [&](std::size_t end) { return NamesProgramFile(line.substr(0, end)); };

    // The candidate up to end, looked for, unless a folder rule skips it.
    const auto look = [&](std::size_t end, bool blankByBlank) -> std::optional<ResolvedProgram> {
        ResolvedProgram candidate = {FoundProgram::Missing, line.substr(0, end), line.substr(end)};
        const CandidateCheck check = CheckCandidate(line, end, blankByBlank, system, search, wow64);
        if (check.kind == CandidateCheck::Skip) return std::nullopt;
        if (check.kind == CandidateCheck::Unsure) {
            candidate.result = FoundProgram::Unsure;
            candidate.error = check.error;
            return candidate;
        }
        FoundProgram found = FindProgram(candidate.program, system, search, wow64);
        candidate.result = found.result;
        candidate.path = std::move(found.path);
        candidate.error = found.error;
        return candidate;
    };

    // First the text up to a blank after ".exe" or ".com" (or the line that ends so), as it stands.
    for (const std::size_t end : ends)
        if (namesProgramFile(end))
            if (std::optional<ResolvedProgram> candidate = look(end, false)) return *candidate;

    // Otherwise the text up to each blank, shortest first, then the whole line.
    std::optional<ResolvedProgram> firstMissing;
    for (const std::size_t end : ends) {
        if (namesProgramFile(end)) continue;  // ruled out above
        const PathKind kind = ClassifyPath(line.substr(0, end));
        if (firstMissing && (kind == PathKind::Relative || kind == PathKind::Device)) continue;
        std::optional<ResolvedProgram> candidate = look(end, true);
        if (!candidate) continue;
        if (candidate->result != FoundProgram::Missing) return *candidate;
        if (!firstMissing) firstMissing = std::move(candidate);
    }
    // The whole line is always a candidate: something was missing.
    return firstMissing ? *firstMissing : ResolvedProgram{FoundProgram::Missing, parts.program, parts.arguments};
}

}  // namespace karnio
