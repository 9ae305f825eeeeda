#include "ui/main/leftover.h"

#include "registry/mdlKarnio.h"
#include "registry/registry_names.h"
#include "registry/unicode.h"

#include <algorithm>

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

// A product code's shape at at: braces, hexadecimal digits and dashes.
bool IsCodeShapeAt(const std::wstring& text, std::size_t at)
{
    if (text.size() < at + kProductCodeLength || text[at] != L'{' || text[at + kProductCodeLength - 1] != L'}')
        return false;
    for (std::size_t i = 1; i + 1 < kProductCodeLength; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[at + i] != L'-' : !IsHexDigit(text[at + i])) return false;
    }
    return true;
}

// A product code at at that ends where an argument does.
bool IsProductCodeAt(const std::wstring& text, std::size_t at)
{
    const std::size_t after = at + kProductCodeLength;
    return IsCodeShapeAt(text, at) && (after == text.size() || IsBlank(text[after]) || text[after] == L'"');
}

// One of msiexec's options, "/" or "-" and a name, with the product code right
// after it, attached or after blanks and quotes, if there is one.
struct MsiOption {
    std::wstring name;  // in lower case
    std::wstring code;
};

std::vector<MsiOption> MsiOptions(const std::wstring& arguments)
{
    std::vector<MsiOption> options;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        if (arguments[at] != L'/' && arguments[at] != L'-') continue;
        if (at > 0 && !IsBlank(arguments[at - 1]) && arguments[at - 1] != L'"') continue;
        MsiOption option;
        std::size_t end = at + 1;
        for (; end < arguments.size() && LowerAscii(arguments[end]) >= L'a' && LowerAscii(arguments[end]) <= L'z'; ++end)
            option.name.push_back(LowerAscii(arguments[end]));
        std::size_t code = end;
        while (code < arguments.size() && (IsBlank(arguments[code]) || arguments[code] == L'"')) ++code;
        if (IsProductCodeAt(arguments, code)) option.code = arguments.substr(code, kProductCodeLength);
        options.push_back(std::move(option));
        at = end - 1;
    }
    return options;
}

// The patches of a MSIPATCHREMOVE property (any case, its value quoted or not, a
// ";" list): nothing without one, and no code at all where any part is no patch code.
std::optional<std::vector<std::wstring>> PatchesRemoved(const std::wstring& arguments)
{
    static const std::wstring kProperty = L"msipatchremove=";
    for (std::size_t at = 0; at + kProperty.size() <= arguments.size(); ++at) {
        if (at > 0 && !IsBlank(arguments[at - 1])) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < kProperty.size(); ++i) same = LowerAscii(arguments[at + i]) == kProperty[i];
        if (!same) continue;
        std::size_t start = at + kProperty.size();
        const bool quoted = start < arguments.size() && arguments[start] == L'"';
        const std::size_t end = std::min(arguments.find_first_of(quoted ? L"\"" : L" \t", start + quoted), arguments.size());
        const std::wstring value = arguments.substr(start + quoted, end - start - quoted) + L";";
        std::vector<std::wstring> codes;
        for (std::size_t from = 0, to; (to = value.find(L';', from)) != std::wstring::npos; from = to + 1) {
            if (to - from != kProductCodeLength || !IsCodeShapeAt(value, from)) return std::vector<std::wstring>{};
            codes.push_back(value.substr(from, kProductCodeLength));
        }
        return codes;
    }
    return std::nullopt;
}

// What Windows Installer would be asked about for msiexec's arguments. A patch
// removal (/package or /i, with /uninstall or MSIPATCHREMOVE) names its product
// and its patches; otherwise the first of /x, /i, /uninstall and /package that
// names a product code names the product.
Leftover MsiexecLeftover(const std::wstring& arguments, HostSystem& system)
{
    const std::vector<MsiOption> options = MsiOptions(arguments);
    const auto first = [&](std::initializer_list<const wchar_t*> names) -> const MsiOption* {
        for (const MsiOption& option : options)
            for (const wchar_t* name : names)
                if (option.name == name) return &option;
        return nullptr;
    };
    const MsiOption* target = first({L"package", L"i"});
    const MsiOption* uninstall = first({L"uninstall"});
    const std::optional<std::vector<std::wstring>> removed = PatchesRemoved(arguments);
    if (target && (uninstall || removed)) {
        if (target->code.empty()) return {};
        const Known product = system.KnowsProduct(target->code);
        if (product != Known::Yes) return product == Known::No ? Leftover{Leftover::UnknownProduct, target->code} : Leftover{};
        const std::vector<std::wstring> patches = uninstall ? std::vector<std::wstring>{uninstall->code} : *removed;
        Leftover found;
        for (const std::wstring& patch : patches) {
            const Known known = patch.empty() ? Known::Unsure : system.KnowsPatch(target->code, patch);
            if (known == Known::Unsure) return {};
            if (known == Known::No && found.kind == Leftover::None) found = {Leftover::UnknownPatch, patch, target->code};
        }
        return found;
    }
    for (const MsiOption& option : options) {
        const bool namesProduct = option.name == L"x" || option.name == L"i" || option.name == L"uninstall" || option.name == L"package";
        if (namesProduct && !option.code.empty())
            return system.KnowsProduct(option.code) == Known::No ? Leftover{Leftover::UnknownProduct, option.code} : Leftover{};
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

    if (NamesTool(found.program, L"msiexec")) return MsiexecLeftover(found.arguments, system);
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

bool IsProductCode(const std::string& text)
{
    return text.size() == kProductCodeLength && IsCodeShapeAt(std::wstring(text.begin(), text.end()), 0);
}

EntryChecks StartChecks(Registry& registry, HostSystem& system)
{
    EntryChecks checks{registry, system, {}};
    const RegKey roots[] = {kHkeyLocalMachine, kHkeyCurrentUser};
    for (int i = 0; i < 2; ++i) {
        OwnedKey key(registry);
        std::vector<std::u16string> names;
        const RegStatus status = registry.OpenKeyExW(roots[i], u"Software\\Classes\\Installer\\Dependencies", RegView::Native, key.Out());
        if (status != kErrorSuccess && status != kErrorFileNotFound) continue;
        if (status == kErrorSuccess && ReadSubkeyNames(registry, key.get(), names) != kErrorSuccess) continue;
        checks.providers[i].emplace();
        for (const std::u16string& name : names) checks.providers[i]->push_back(Utf8KeepingSurrogates(name));
    }
    return checks;
}

namespace {

// Whether a grey row's program may still be there: Windows Installer knows, or
// cannot say it does not know, a product code its key name holds, or its
// BundleProviderKey names a dependency provider (or the providers could not be read).
bool MayStillBeInstalled(EntryChecks& checks, UninstallSource source, const std::string& key)
{
    const std::wstring name(key.begin(), key.end());  // a code is ASCII; nothing else matters here
    for (std::size_t at = name.find(L'{'); at != std::wstring::npos; at = name.find(L'{', at + 1))
        if (IsCodeShapeAt(name, at) && checks.system.KnowsProduct(name.substr(at, kProductCodeLength)) != Known::No) return true;
    const std::optional<std::vector<std::string>>& providers = checks.providers[source == UninstallSource::User];
    if (providers && providers->empty()) return false;  // no bundle is installed there: nothing to read
    const std::string bundle = HaeRekisteriarvo(checks.registry, RootOf(source), kUninstallPath + key, "BundleProviderKey", ViewOf(source));
    if (bundle == kNotFound || bundle.empty()) return false;
    return !providers || std::any_of(providers->begin(), providers->end(),
                                     [&](const std::string& provider) { return CompareRegistryNames(provider, bundle) == 0; });
}

}  // namespace

Leftover MarkEntry(EntryChecks& checks, UninstallSource source, const std::string& key, const std::wstring& command,
                   const CommandContext& context)
{
    Leftover found;
    if (IsProductCode(key) && HaeDword(checks.registry, RootOf(source), kUninstallPath + key, "WindowsInstaller", ViewOf(source)) == 1u) {
        const std::wstring code(key.begin(), key.end());
        if (checks.system.KnowsProduct(code) == Known::No) found = {Leftover::UnknownProduct, code};
    }
    if (found.kind == Leftover::None) found = FindLeftover(command, checks.system, context);
    if (found.kind != Leftover::None) found.stillInstalled = MayStillBeInstalled(checks, source, key);
    return found;
}

}  // namespace karnio
