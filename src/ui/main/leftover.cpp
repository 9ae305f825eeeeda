#include "ui/main/leftover.h"

namespace karnio {

namespace {

constexpr std::size_t kProductCodeLength = 38;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }
bool IsHexDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (LowerAscii(c) >= L'a' && LowerAscii(c) <= L'f');
}

// msiexec, rundll32: bare, with or without ".exe", or a full path ending in \name.exe.
bool NamesTool(const std::wstring& program, const std::wstring& name)
{
    const std::wstring exe = name + L".exe";
    if (ClassifyPath(program) != PathKind::Bare) return EndsWithNoCase(program, (L"\\" + exe).c_str());
    const auto equals = [&](const std::wstring& text) { return program.size() == text.size() && EndsWithNoCase(program, text.c_str()); };
    return equals(name) || equals(exe);
}

bool IsProductCodeAt(const std::wstring& text, std::size_t at)
{
    if (text.size() < at + kProductCodeLength || text[at] != L'{' || text[at + kProductCodeLength - 1] != L'}')
        return false;
    for (std::size_t i = 1; i + 1 < kProductCodeLength; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[at + i] != L'-' : !IsHexDigit(text[at + i])) return false;
    }
    const std::size_t after = at + kProductCodeLength;
    return after == text.size() || IsBlank(text[after]) || text[after] == L'"';
}

// The product code after the first /X or /I (also -x, -i) that is followed by
// one, with or without blanks or quotes between; empty when there is none.
std::wstring ProductCode(const std::wstring& arguments)
{
    for (std::size_t at = 0; at + 1 < arguments.size(); ++at) {
        if (arguments[at] != L'/' && arguments[at] != L'-') continue;
        if (at > 0 && !IsBlank(arguments[at - 1]) && arguments[at - 1] != L'"') continue;
        const wchar_t option = LowerAscii(arguments[at + 1]);
        if (option != L'x' && option != L'i') continue;
        std::size_t code = at + 2;
        while (code < arguments.size() && (IsBlank(arguments[code]) || arguments[code] == L'"')) ++code;
        if (IsProductCodeAt(arguments, code)) return arguments.substr(code, kProductCodeLength);
    }
    return {};
}

// The library of "rundll32 library,entry ...": quoted or not, up to the comma.
std::wstring LibraryPath(const std::wstring& arguments)
{
    std::size_t start = 0;
    while (start < arguments.size() && IsBlank(arguments[start])) ++start;
    std::wstring library;
    if (start < arguments.size() && arguments[start] == L'"') {
        const std::size_t close = arguments.find(L'"', start + 1);
        if (close == std::wstring::npos) return {};
        library = arguments.substr(start + 1, close - start - 1);
        library = library.substr(0, library.find(L','));
    } else {
        const std::size_t comma = arguments.find(L',', start);
        if (comma == std::wstring::npos) return {};
        library = arguments.substr(start, comma - start);
    }
    while (!library.empty() && IsBlank(library.back())) library.pop_back();
    return library;
}

// The file Windows loads for a library name: one whose last part has no
// extension gets ".dll"; a trailing dot says "no extension" and is dropped.
std::wstring LibraryFile(const std::wstring& library)
{
    if (library.empty()) return library;
    if (library.back() == L'.') return library.substr(0, library.size() - 1);
    const std::size_t slash = library.find_last_of(L"\\/");
    const std::size_t dot = library.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return hasExtension ? library : library + L".dll";
}

}  // namespace

Leftover FindLeftover(const std::wstring& command, HostSystem& system, const CommandContext& context)
{
    if (command.empty()) return {};
    const ResolvedCommand resolved = ResolveCommand(command, system, ProgramSearch::LocalFixed, context);
    if (resolved.result != PreparedCommand::Ready) return {};
    const ResolvedProgram& found = resolved.program;

    if (NamesTool(found.program, L"msiexec")) {
        const std::wstring code = ProductCode(found.arguments);
        if (!code.empty()) return system.IsUnknownProduct(code) ? Leftover{Leftover::UnknownProduct, code} : Leftover{};
    }
    if (NamesTool(found.program, L"rundll32")) {
        const std::wstring library = LibraryFile(LibraryPath(found.arguments));
        if (ClassifyPath(library) == PathKind::Absolute) {
            if (!system.IsLocalFixedDrive(DriveLetter(library))) return {};
            const PathState state = ProbePath(library, system, context.wow64);
            if (state.kind == PathState::File || state.kind == PathState::Failed) return {};
            return {Leftover::MissingLibrary, library};
        }
    }
    if (found.result != FoundProgram::Missing) return {};
    return {Leftover::MissingProgram, found.program};
}

}  // namespace karnio
