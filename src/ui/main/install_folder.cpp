#include "ui/main/install_folder.h"

#include <algorithm>
#include <vector>

namespace karnio {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::wstring FolderText(const std::wstring& installLocation)
{
    std::wstring text = UpToNul(installLocation);
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    text.erase(0, std::min(text.size(), text.find_first_not_of(L" \t")));
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
    // "C:\Program Files\Foo\" names the folder as well; a drive's root keeps its own.
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text.find_first_not_of(L" \t") == std::wstring::npos ? std::wstring() : text;
}

FolderPlan PlanFolder(const std::wstring& installLocation, HostSystem& system, const CommandContext& context)
{
    const std::wstring text = FolderText(installLocation);
    if (text.empty()) return {};

    // A 32-bit entry's "(x86)" folders first, then the text as written.
    std::vector<std::wstring> candidates;
    if (context.wow64)
        if (std::optional<std::wstring> x86 = ExpandAsCommand(text, system, context, true)) candidates.push_back(*x86);
    if (std::optional<std::wstring> plain = ExpandAsCommand(text, system, context, false))
        if (candidates.empty() || *plain != candidates.front()) candidates.push_back(*plain);
    if (candidates.empty()) return {};
    const std::wstring& asWritten = candidates.back();
    // Only a local fixed disk is looked at; the shell gets a network path or
    // another drive's as it is. A path relative to nothing names no folder.
    const PathKind kind = ClassifyPath(asWritten);
    if (kind == PathKind::Unc || (kind == PathKind::Absolute && !system.IsLocalFixedDrive(DriveLetter(asWritten))))
        return {FolderPlan::Explore, asWritten};
    if (kind != PathKind::Absolute) return {FolderPlan::Missing, asWritten};
    for (const std::wstring& candidate : candidates) {
        const std::wstring full = system.FullPath(candidate);
        if (full.empty()) continue;
        for (const std::wstring& form : PathForms(full, system, context.wow64)) {
            const PathState state = system.Probe(ExtendedPath(form));
            if (state.kind == PathState::File) return {FolderPlan::SelectFile, form};
            // A folder, or one nobody can look into: the shell shows what it can.
            if (state.kind != PathState::Missing) return {FolderPlan::Explore, form};
        }
    }
    return {FolderPlan::Missing, asWritten};
}

}  // namespace karnio
