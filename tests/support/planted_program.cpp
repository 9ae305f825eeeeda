#include "support/planted_program.h"

#include "ui/main/command_line.h"
#include "ui/main/leftover.h"

#include <set>
#include <vector>

namespace karnio::test {

namespace {

std::wstring Lower(std::wstring text)
{
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return text;
}

bool Holds(const std::wstring& text, const wchar_t* part) { return Lower(text).find(part) != std::wstring::npos; }

// Only the files and folders of the case; only C: is a local fixed disk.
class PlantedSystem final : public HostSystem {
public:
    std::set<std::wstring> files, folders;  // lower case, with backslashes

    bool ExpandVariables(const std::wstring& text, std::wstring& expanded) override
    {
        expanded = text;
        return true;
    }
    std::wstring FullPath(const std::wstring& path) override
    {
        std::wstring full = path;
        for (auto& c : full)
            if (c == L'/') c = L'\\';
        while (!full.empty() && (full.back() == L'.' || full.back() == L' ')) full.pop_back();
        return full;
    }
    PathState Probe(const std::wstring& path) override
    {
        const std::wstring folded = Lower(FullPath(PlainPath(path)));
        return {files.count(folded) ? PathState::File : folders.count(folded) ? PathState::Folder : PathState::Missing};
    }
    const std::vector<std::wstring>& SearchFolders() override { return searchFolders_; }
    bool IsLocalFixedDrive(wchar_t letter) override { return letter == L'C'; }
    Known KnowsProduct(const std::wstring&) override { return Known::Yes; }
    Known KnowsPatch(const std::wstring&, const std::wstring&) override { return Known::Yes; }

private:
    std::vector<std::wstring> searchFolders_ = {L"C:\\Windows\\system32"};
};

}  // namespace

std::wstring PlainPath(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    return path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path;
}

std::string CheckPlantedProgram(const Choice& choose)
{
    static const wchar_t* const kWords[] = {L"Program", L"Files", L"Foo", L"App.v2", L"Foo.com", L"x.exe",
                                            L"Tools", L"1.0",     L"(x86)", L"Setup"};
    static const wchar_t* const kNames[] = {L"uninst", L"unins000", L"Remove", L"un"};
    static const wchar_t* const kExtensions[] = {L"", L".exe", L".com"};
    static const wchar_t* const kArguments[] = {L"", L" /S", L" /x /qn", L" -uninstall", L" /log=\"C:\\Temp\\x y.txt\""};
    const auto words = [&](const wchar_t* const* list, unsigned count) {
        std::wstring text = list[choose(count)];
        for (unsigned more = choose(3); more > 0; --more) text += std::wstring(L" ") + list[choose(count)];
        return text;
    };
    const bool local = choose(4) != 0;
    std::vector<std::wstring> folders;
    for (unsigned count = 1 + choose(3); folders.size() < count;) folders.push_back(words(kWords, 10));
    const std::wstring name = words(kNames, 4) + kExtensions[choose(3)];

    // The path as the command writes it, and each folder on the way as the disk has it.
    PlantedSystem system;
    const bool there = choose(2);
    const unsigned foldersThere = there ? folders.size() : choose(folders.size() + 1);
    std::wstring path = local ? L"C:" : L"\\\\server\\share";
    std::wstring written = local ? L"C:" : (choose(2) ? L"\\\\server\\share" : L"//server/share");
    std::vector<std::wstring> planted;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        // A decoy at each blank of a folder's name, beside that folder, if its parent is there.
        for (std::size_t blank = folders[i].find(L' '); blank != std::wstring::npos; blank = folders[i].find(L' ', blank + 1))
            if (i <= foldersThere && choose(2)) planted.push_back(path + L"\\" + folders[i].substr(0, blank));
        path += L"\\" + folders[i];
        written += (choose(2) ? L"\\" : L"/") + folders[i];
        if (i < foldersThere) system.folders.insert(Lower(path));
    }
    const std::wstring extension = name.find(L'.') == std::wstring::npos ? L".exe" : L"";
    const std::wstring program = path + L"\\" + name + extension;
    written += (choose(2) ? L"\\" : L"/") + name;
    if (there) system.files.insert(Lower(program));
    // A file of the name as written, without ".exe", beside it: never the program.
    if (!extension.empty() && choose(2)) system.files.insert(Lower(path + L"\\" + name));
    for (const std::wstring& decoy : planted) system.files.insert(Lower(decoy + (choose(2) ? L".exe" : L"")));
    const std::wstring command = (choose(4) ? written : L"\"" + written + L"\"") + kArguments[choose(5)];

    std::string failure;
    const auto expect = [&](bool holds, const char* what) {
        if (!holds && failure.empty()) failure = what + std::string(": ") + std::string(command.begin(), command.end());
    };
    const LaunchPlan plan = PlanLaunch(command, system);
    const Leftover leftover = FindLeftover(command, system);
    if (there) {
        expect(plan.error == 0 && Lower(plan.program) == Lower(program), "the real program was not started");
        expect(leftover.kind == Leftover::None, "a live row is grey");
        return failure;
    }
    // A folder whose name holds ".exe " or ".com " is the one way to a decoy: only once that folder is gone.
    for (std::size_t i = foldersThere; i < folders.size(); ++i)
        if (Holds(folders[i], L".exe ") || Holds(folders[i], L".com ")) return failure;
    expect(plan.error == kErrorNumberFileNotFound, "something ran for a program that is gone");
    expect(!local || leftover.kind == Leftover::MissingProgram, "a gone program's row is not grey");
    return failure;
}

}  // namespace karnio::test
