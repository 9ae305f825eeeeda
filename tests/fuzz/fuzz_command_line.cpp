// libFuzzer target: the launcher's command-line splitting and path rules over
// any UTF-16 line. The parts must put the line back together, and an unquoted
// program must end exactly where the rule says.
#include "ui/main/command_line.h"
#include "ui/main/leftover.h"
#include "support/planted_program.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace karnio;

void Check(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(stderr, "fuzz_command_line: %s\n", what);
    std::abort();
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// A system where any path may be a file, a folder, missing or locked, decided
// by its letters, where every other product is installed, and where only drive
// C: is a local fixed disk.
class ScatteredSystem final : public HostSystem {
public:
    bool ExpandVariables(const std::wstring& text, std::wstring& expanded) override
    {
        expanded = text;
        return text.size() < kMaxCommandLine;
    }
    std::wstring FullPath(const std::wstring& path) override { return path; }
    PathState Probe(const std::wstring& path) override
    {
        switch (Hash(test::PlainPath(path)) % 4) {
        case 0: return {PathState::File};
        case 1: return {PathState::Folder};
        case 2: return {PathState::Missing};
        }
        return {PathState::Failed, 5};
    }
    const std::vector<std::wstring>& SearchFolders() override { return folders_; }
    bool IsLocalFixedDrive(wchar_t letter) override { return letter == L'C'; }
    Known KnowsProduct(const std::wstring& code) override { return static_cast<Known>(Hash(code) % 3); }
    Known KnowsPatch(const std::wstring& product, const std::wstring& patch) override { return static_cast<Known>(Hash(product + patch) % 3); }

private:
    static unsigned Hash(const std::wstring& text)
    {
        unsigned hash = 7;
        for (const wchar_t c : text) hash = hash * 31 + static_cast<unsigned>(c >= L'A' && c <= L'Z' ? c + 32 : c);
        return hash;
    }
    std::vector<std::wstring> folders_ = {L"C:\\Windows\\system32"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2) line.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

    const CommandLineParts parts = SplitCommandLine(line);
    std::size_t first = 0, last = line.size();
    while (first < last && IsBlank(line[first])) ++first;
    while (last > first && IsBlank(line[last - 1])) --last;
    const std::wstring trimmed = line.substr(first, last - first);

    if (!trimmed.empty() && trimmed[0] == L'"') {
        const bool closed = trimmed.find(L'"', 1) != std::wstring::npos;
        Check(parts.program.find(L'"') == std::wstring::npos, "a quoted program holds a quote");
        Check(L"\"" + parts.program + (closed ? L"\"" : L"") + parts.arguments == trimmed, "quoted parts do not make the line");
    } else {
        Check(parts.program + parts.arguments == trimmed, "parts do not make the line");
        Check(parts.arguments.empty() || IsBlank(parts.arguments[0]), "arguments do not start at a blank");
        Check(parts.program.empty() || !IsBlank(parts.program[0]), "the program starts with a blank");
        const bool named = EndsWithNoCase(parts.program, L".exe") || EndsWithNoCase(parts.program, L".com");
        // No shorter prefix ending at a blank names a program file.
        for (std::size_t end = 0; end < parts.program.size(); ++end) {
            if (!IsBlank(parts.program[end])) continue;
            const std::wstring shorter = parts.program.substr(0, end);
            Check(!EndsWithNoCase(shorter, L".exe") && !EndsWithNoCase(shorter, L".com"), "a shorter program was passed over");
            Check(named, "a program with a blank does not name an .exe or .com file");
        }
    }

    const PathKind kind = ClassifyPath(parts.program);
    Check((kind == PathKind::Empty) == parts.program.empty(), "only the empty path is empty");
    if (kind == PathKind::Bare) Check(parts.program.find_first_of(L"\\/:") == std::wstring::npos, "a bare name with a separator");
    if (kind == PathKind::Absolute) Check(parts.program.size() >= 3 && parts.program[1] == L':', "an absolute path without a drive");
    const std::wstring cut = UpToNul(line);
    Check(cut.find(L'\0') == std::wstring::npos && line.compare(0, cut.size(), cut) == 0, "the zero cut is not a prefix");
    Check(IsBatchFile(parts.program) == (EndsWithNoCase(parts.program, L".bat") || EndsWithNoCase(parts.program, L".cmd")),
          "batch files are told by their extension");

    // A leftover always says what is missing, and a product code is one whole code.
    ScatteredSystem system;
    const Leftover leftover = FindLeftover(line, system);
    Check(leftover.kind == Leftover::None || !leftover.subject.empty(), "a leftover without a subject");
    if (leftover.kind == Leftover::UnknownProduct)
        Check(leftover.subject.size() == 38 && leftover.subject.front() == L'{' && leftover.subject.back() == L'}',
              "a product code that is not one");
    const PreparedCommand prepared = PrepareCommand(line, system);
    const ResolvedProgram resolved = ResolveProgram(prepared, system, ProgramSearch::LocalFixed);
    if (leftover.kind == Leftover::MissingProgram) {
        Check(leftover.subject == resolved.program, "another program than the launcher's");
        const PathKind programKind = ClassifyPath(resolved.program);
        Check(programKind != PathKind::Relative && programKind != PathKind::Device && programKind != PathKind::Unc,
              "a path that may only be absent now was marked");
        Check(PlanLaunch(line, system).error == kErrorNumberFileNotFound, "a grey row that the run command would start");
    }

    // What the run command starts is a file, never a batch file, never cut inside a folder's name.
    const LaunchPlan plan = PlanLaunch(line, system);
    if (plan.error == 0) {
        Check(system.Probe(plan.program).kind == PathState::File, "started something that is not a file");
        Check(!IsBatchFile(plan.program), "started a batch file");
        Check(plan.line.compare(0, plan.program.size() + 2, L"\"" + plan.program + L"\"") == 0, "the line names another program");
        const ResolvedProgram run = ResolveProgram(prepared, system, ProgramSearch::Everywhere);
        Check(run.result == FoundProgram::Found && run.path == plan.program, "the plan and the lookup disagree");
        const std::wstring& rest = run.arguments;
        if (!trimmed.empty() && trimmed[0] != L'"' && !rest.empty()) {
            // The text after the program's blank, up to the next separator.
            const std::size_t next = rest.find_first_of(L"\\/", 1);
            const std::wstring part = rest.substr(1, next == std::wstring::npos ? next : next - 1);
            const bool name = part.find_first_not_of(L" \t.") != std::wstring::npos &&
                              part.find_first_of(L"<>:\"|?*") == std::wstring::npos &&
                              std::all_of(part.begin(), part.end(), [](wchar_t c) { return c >= 32; });
            const bool split = EndsWithNoCase(run.program, L".exe") || EndsWithNoCase(run.program, L".com");
            Check(!name || split || next == std::wstring::npos, "a program cut before a folder it lies in");
            const std::wstring folder = run.program + rest.substr(0, next);
            const PathKind folderKind = ClassifyPath(folder);
            if (name && (folderKind == PathKind::Absolute || folderKind == PathKind::Unc))
                Check(system.Probe(folder).kind == PathState::Missing || system.Probe(folder).kind == PathState::File,
                      "a program cut inside a folder's name");
        }
    }

    // Generated uninstaller paths with decoys planted above them, chosen by the input's bytes.
    std::size_t at = 0;
    const std::string failure = test::CheckPlantedProgram([&](unsigned n) { return n && at < size ? data[at++] % n : 0u; });
    Check(failure.empty(), failure.c_str());
    return 0;
}
