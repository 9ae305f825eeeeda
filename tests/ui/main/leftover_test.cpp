// Which commands mark their row as a leftover, on a system the test makes up:
// a file system, drives of every kind and a Windows Installer that knows one product.
#include "ui/main/leftover.h"

#include "ui/main/install_folder.h"

#include "registry/memory_registry.h"
#include "support/planted_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace karnio {
namespace {

constexpr wchar_t kKnown[] = L"{11111111-2222-3333-4444-555555555555}";
constexpr wchar_t kGone[] = L"{9A8B7C6D-0000-4000-8000-00AA00BB00CC}";
constexpr wchar_t kPatch[] = L"{0F0F0F0F-AAAA-BBBB-CCCC-DDDDEEEEFFFF}";

std::wstring Lower(std::wstring text)
{
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}
std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class MadeUpSystem final : public HostSystem {
public:
    std::vector<std::wstring> folders = {L"C:\\Windows\\system32", L"C:\\Windows"};
    std::vector<std::wstring> existenceAsked;
    std::wstring drivesAsked;

    bool ExpandVariables(const std::wstring& text, std::wstring& expanded) override
    {
        expanded = ExpandWith(text, {{L"PROGRAMFILES", L"C:\\Program Files"}, {L"PROGRAMFILES(X86)", L"C:\\Program Files (x86)"}});
        return true;
    }
    std::wstring FullPath(const std::wstring& path) override
    {
        std::wstring full = path;
        std::replace(full.begin(), full.end(), L'/', L'\\');
        while (!full.empty() && (full.back() == L'.' || full.back() == L' ')) full.pop_back();
        return full;
    }
    // The files; their folders are there too. A path under a closed one cannot be looked at.
    std::set<std::wstring> files = {
        L"c:\\program files\\foo\\uninst.exe", L"c:\\windows\\system32\\msiexec.exe",
        L"c:\\windows\\system32\\rundll32.exe", L"c:\\windows\\notepad.exe", L"c:\\tools\\noext.exe",
        L"c:\\program files\\common files\\ctor.dll"};
    std::vector<std::pair<std::wstring, unsigned long>> closed;  // and Windows' answer there

    PathState Probe(const std::wstring& path) override
    {
        existenceAsked.push_back(path);
        const std::wstring folded = Lower(test::PlainPath(path));
        for (const auto& [folder, error] : closed)
            if (folded.rfind(folder, 0) == 0) return {PathState::Failed, error};
        if (files.count(folded)) return {PathState::File};
        for (const std::wstring& file : files)
            if (file.size() > folded.size() && file.rfind(folded + L"\\", 0) == 0) return {PathState::Folder};
        return {PathState::Missing};
    }
    const std::vector<std::wstring>& SearchFolders() override { return folders; }
    bool IsLocalFixedDrive(wchar_t letter) override
    {
        drivesAsked += letter;
        return letter == L'C';  // D: removable, E: network, F: not mapped
    }
    // One product known, with one patch; an unsure Windows Installer can say nothing,
    // and one that cannot list patches nothing of that one.
    bool unsure = false, patchesUnsure = false;
    Known KnowsProduct(const std::wstring& code) override
    {
        return unsure ? Known::Unsure : Lower(code) == Lower(kKnown) ? Known::Yes : Known::No;
    }
    Known KnowsPatch(const std::wstring& product, const std::wstring& patch) override
    {
        if (unsure || (patchesUnsure && Lower(patch) == Lower(kPatch))) return Known::Unsure;
        return Lower(product) == Lower(kKnown) && Lower(patch) == Lower(kPatch) ? Known::Yes : Known::No;
    }
    Wow64Folders Wow64() override { return {L"C:\\Windows\\system32", L"C:\\Windows\\SysWOW64", L"C:\\Windows"}; }
    bool DriveHasRoot(wchar_t letter) override { return letter != L'F'; }
};

struct Case {
    std::wstring command;
    Leftover::Kind kind;
    std::wstring subject;
};

void ExpectDecisions(MadeUpSystem& system, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        const Leftover found = FindLeftover(c.command, system);
        EXPECT_EQ(found.kind, c.kind) << Ascii(c.command);
        EXPECT_EQ(Ascii(found.subject), Ascii(c.subject)) << Ascii(c.command);
    }
}

TEST(Leftover, ProgramsAreLookedForAsTheLauncherDoes)
{
    MadeUpSystem system;
    const std::wstring gone = L"C:\\Program Files\\Gone\\uninst.exe";
    ExpectDecisions(system, {
        {L"\"C:\\Program Files\\Foo\\uninst.exe\" /S", Leftover::None, L""},
        {L"C:\\Program Files\\Foo\\uninst.exe /S", Leftover::None, L""},
        {L"\"" + gone + L"\" /S", Leftover::MissingProgram, gone},
        {gone + L" /S", Leftover::MissingProgram, gone},
        {L"%PROGRAMFILES%\\Foo\\uninst.exe /x", Leftover::None, L""},
        {L"\"%PROGRAMFILES%\\Gone\\uninst.exe\"", Leftover::MissingProgram, gone},
        {L"C:\\Tools\\noext /S", Leftover::None, L""},
        {L"\"C:\\Program Files\\Foo\"", Leftover::MissingProgram, L"C:\\Program Files\\Foo"},
        {L"C:\\Program Files\\Foo", Leftover::MissingProgram, L"C:\\Program Files\\Foo"},
        {L"notepad /x", Leftover::None, L""},
        {L"poistettu.exe /x", Leftover::MissingProgram, L"poistettu.exe"},
        // Not the launcher's error 53: nothing to mark.
        {L"", Leftover::None, L""},
        {L"  \t ", Leftover::None, L""},
        {L"C:\\x\\evil.bat", Leftover::MissingProgram, L"C:\\x\\evil.bat"},
    });
}

TEST(Leftover, WindowsInstallerAndRundll32AreAskedWhatTheirArgumentsName)
{
    MadeUpSystem system;
    const std::wstring lower = Lower(kGone);
    const std::wstring ctor = L"C:\\PROGRA~2\\COMMON~1\\INSTAL~1\\Driver\\10\\INTEL3~1\\Ctor.dll";
    ExpectDecisions(system, {
        {L"MsiExec.exe /X" + std::wstring(kKnown), Leftover::None, L""},
        {L"MsiExec.exe /X" + std::wstring(kGone), Leftover::UnknownProduct, kGone},
        {L"msiexec /i " + lower, Leftover::UnknownProduct, lower},
        {L"MSIEXEC -x\"" + std::wstring(kGone) + L"\" /qb", Leftover::UnknownProduct, kGone},
        {L"C:\\Windows\\System32\\msiexec.exe /qb -I  " + std::wstring(kGone), Leftover::UnknownProduct, kGone},
        {L"MsiExec.exe /uninstall " + std::wstring(kGone), Leftover::UnknownProduct, kGone},
        {L"msiexec /PACKAGE \"" + std::wstring(kGone) + L"\" /qn", Leftover::UnknownProduct, kGone},
        {L"msiexec /package " + std::wstring(kKnown) + L" /uninstall " + kGone, Leftover::UnknownPatch, kGone},
        {L"msiexec /I" + std::wstring(kKnown) + L" MsiPatchRemove=\"" + kPatch + L";" + kGone + L"\" /qb", Leftover::UnknownPatch, kGone},
        {L"\"C:\\Windows\\System32\\MsiExec.exe\" /X" + std::wstring(kGone), Leftover::UnknownProduct, kGone},
        {L"\"MsiExec.exe\"/X" + std::wstring(kGone), Leftover::UnknownProduct, kGone},
        // Near misses are ordinary commands, and msiexec is there.
        {L"MsiExec.exe /Xfoo", Leftover::None, L""},
        {L"MsiExec.exe /X9A8B7C6D-0000-4000-8000-00AA00BB00CC", Leftover::None, L""},
        {L"MsiExec.exe /P" + std::wstring(kGone), Leftover::None, L""},
        {L"MsiExec.exe /X" + std::wstring(kGone) + L"x", Leftover::None, L""},
        {L"MsiExec.exe /X{9A8B7C6D-0000-4000-8000-00AA00BB00C}", Leftover::None, L""},
        {L"notmsiexec /X" + std::wstring(kGone), Leftover::MissingProgram, L"notmsiexec"},
        {L"RunDll32 " + ctor + L",LaunchSetup \"C:\\Program Files (x86)\\Intel\\setup.exe\" -l0x9", Leftover::MissingLibrary,
         ctor},
        {L"rundll32.exe \"C:\\Program Files\\Common Files\\ctor.dll\",Uninstall", Leftover::None, L""},
        {L"rundll32.exe \"C:\\Program Files\\Common Files\\gone.dll\",Uninstall", Leftover::MissingLibrary,
         L"C:\\Program Files\\Common Files\\gone.dll"},
        {L"C:\\Windows\\system32\\RUNDLL32.EXE C:\\Gone Folder\\x.dll ,Entry", Leftover::MissingLibrary,
         L"C:\\Gone Folder\\x.dll"},
        {L"rundll32 shell32.dll,Control_RunDLL appwiz.cpl", Leftover::None, L""},
        {L"rundll32 %UNDEFINED%\\x.dll,Entry", Leftover::None, L""},
    });
}

TEST(Leftover, NothingThatMayOnlyBeAbsentNowIsMarkedOrEvenLookedFor)
{
    MadeUpSystem system;
    ExpectDecisions(system, {
        {L"\\\\server\\share\\uninst.exe /S", Leftover::None, L""},
        {L"\"\\\\server\\share\\un inst.exe\"", Leftover::None, L""},
        {L"D:\\Setup\\uninst.exe", Leftover::None, L""},
        {L"E:\\uninst.exe", Leftover::None, L""},
        {L"f:\\uninst.exe", Leftover::None, L""},
        {L"rundll32.exe D:\\Setup\\ctor.dll,Uninstall", Leftover::None, L""},
        {L"D:\\Program Files\\Setup\\uninst /S", Leftover::None, L""},
        {L"MsiExec.exe /X{}", Leftover::None, L""},
    });
    // Only rundll32 and msiexec themselves, in the system folder, were looked for.
    for (const std::wstring& asked : system.existenceAsked)
        EXPECT_EQ(Lower(asked).rfind(L"\\\\?\\c:\\windows\\", 0), 0u) << Ascii(asked);
    EXPECT_EQ(Ascii(system.drivesAsked).find_first_not_of("CDEF"), std::string::npos);

    system.existenceAsked.clear();
    system.drivesAsked.clear();
    ExpectDecisions(system, {
        {L"%UNDEFINED%\\uninst.exe", Leftover::None, L""},
        {L".\\uninst.exe", Leftover::None, L""},
        {L"sub\\uninst.exe", Leftover::None, L""},
        {L"sub\\uninst /S", Leftover::None, L""},
        {L"\\uninst.exe", Leftover::None, L""},
        {L"C:uninst.exe", Leftover::None, L""},
        {L"\\\\.\\C:\\uninst.exe", Leftover::None, L""},
        {L"\\\\?\\C:\\gone.exe", Leftover::None, L""},
    });
    EXPECT_TRUE(system.existenceAsked.empty());
    EXPECT_TRUE(system.drivesAsked.empty());

    // A bare name is looked for only in the folders on local fixed disks; one
    // that is not there may be in a folder that was passed over.
    system.folders = {L"C:\\Windows", L"\\\\server\\tools", L"D:\\Tools", L"C:\\Windows\\system32"};
    ExpectDecisions(system, {
        {L"poistettu.exe", Leftover::None, L""},
        {L"msiexec.exe /x foo", Leftover::None, L""},
    });
    for (const std::wstring& asked : system.existenceAsked) EXPECT_EQ(asked.substr(0, 5), L"\\\\?\\C") << Ascii(asked);
}

// Unquoted programs without ".exe" are found as Windows finds them, except inside
// a folder's name; the run command and the grey rows come to the same program.
TEST(Leftover, UnquotedProgramsAreFoundWithoutStartingAPlantedOne)
{
    struct Row {
        std::wstring command;
        int error;               // what the run command reports, 0 when it starts...
        std::wstring runs;       // ...this file
        std::wstring arguments;  // ...with these
        Leftover::Kind kind;     // the row's mark...
        std::wstring subject;    // ...and what it names
        bool wow64 = false;      // of the 32-bit view
    };
    MadeUpSystem system;
    const std::wstring deep = L"C:\\Syvä" + std::wstring(300, L'x') + L"\\poista.exe";
    // The longest path a program is started by as it is, and the shortest that takes the extended form.
    const std::wstring plain259 = L"C:\\Raja\\" + std::wstring(245, L'y') + L"\\p.exe", long260 = L"C:\\Raja\\" + std::wstring(246, L'y') + L"\\p.exe";
    system.files.insert({L"c:\\program.exe", L"c:\\program files\\foo\\uninst.cmd",
                         L"c:\\app.v2\\uninst.exe", L"c:\\tools\\setup.bin.exe", L"c:\\program files\\foo\\setup.com",
                         L"c:\\x\\bar.dll", L"c:\\x\\baz", L"c:\\y\\qux.dll", L"c:\\program files\\foo.com",
                         L"c:\\program files\\foo.com tools\\uninst.exe", L"c:\\program files\\bar.com tools\\uninst.exe",
                         L"\\\\server\\program.exe", L"c:\\shared.exe", L"c:\\app.v2\\helper.dll", L"c:\\tools\\setup.exe",
                         L"c:\\tools\\setup\\x", L"c:\\windows\\syswow64\\kova32.exe", L"c:\\windows\\system32\\kova64.exe",
                         L"c:\\windows\\system32\\spool\\x.exe", L"c:\\windows\\syswow64\\spool\\x.exe",
                         L"c:\\program files (x86)\\kova32\\poista.exe", Lower(deep), Lower(plain259), Lower(long260),
                         L"c:\\revx\\foo", L"c:\\revx\\foo.exe", L"c:\\revx\\bar", L"c:\\windows\\syswow64\\spoolkova.exe"});
    system.closed = {{L"c:\\locked", 5}, {L"c:\\shared files", 5}, {L"c:\\busy", 32}, {L"c:\\program files\\locked32", 5}};
    system.folders.push_back(L"C:\\Locked\\bin");
    const std::wstring gone = kGone;
    const std::wstring ef = L"{FEDCBA98-EEEE-FFFF-0000-ABCDEFabcdef}";
    const std::vector<Row> rows = {
        // The planted C:\Program.exe beside the folder C:\Program Files is never taken.
        {L"C:\\Program Files\\Foo\\uninst /S", 0, L"C:\\Program Files\\Foo\\uninst.exe", L" /S", Leftover::None, L""},
        {L"C:\\Program Files\\Foo\\uninst.cmd /S", 193, L"", L"", Leftover::None, L""},
        // Either separator; a folder's name may hold ".com " or ".exe ".
        {L"C:/Program Files/Foo/uninst /S", 0, L"C:\\Program Files\\Foo\\uninst.exe", L" /S", Leftover::None, L""},
        {L"C:\\Program Files/Foo/uninst /S", 0, L"C:\\Program Files\\Foo\\uninst.exe", L" /S", Leftover::None, L""},
        {L"C:\\Program Files\\Foo.com Tools\\uninst.exe /S", 0, L"C:\\Program Files\\Foo.com Tools\\uninst.exe", L" /S", Leftover::None, L""},
        {L"C:\\Program Files\\Bar.com Tools\\uninst.exe /S", 0, L"C:\\Program Files\\Bar.com Tools\\uninst.exe", L" /S", Leftover::None, L""},
        {L"\\\\server\\Program Files\\Foo\\uninst /S", 53, L"", L"", Leftover::None, L""},
        // An option or a trailing blank is never a folder's name.
        {L"C:\\Tools\\setup /u ", 0, L"C:\\Tools\\setup.exe", L" /u", Leftover::None, L""},
        // A 32-bit entry's paths as a 32-bit program sees them, then as written.
        {L"C:\\Windows\\System32\\kova32.exe /x", 0, L"C:\\Windows\\SysWOW64\\kova32.exe", L" /x", Leftover::None, L"", true},
        {L"C:\\Windows\\System32\\kova32.exe /x", 53, L"", L"", Leftover::MissingProgram, L"C:\\Windows\\System32\\kova32.exe"},
        {L"C:\\Windows\\Sysnative\\kova64.exe", 0, L"C:\\Windows\\system32\\kova64.exe", L"", Leftover::None, L"", true},
        {L"C:\\Windows\\System32\\spool\\x.exe", 0, L"C:\\Windows\\System32\\spool\\x.exe", L"", Leftover::None, L"", true},
        {L"%PROGRAMFILES%\\Kova32\\poista.exe /S", 0, L"C:\\Program Files (x86)\\Kova32\\poista.exe", L" /S", Leftover::None, L"", true},
        {L"%PROGRAMFILES%\\Foo\\uninst.exe", 0, L"C:\\Program Files\\Foo\\uninst.exe", L"", Leftover::None, L"", true},
        {L"%PROGRAMFILES%\\Kova32\\poista.exe /S", 53, L"", L"", Leftover::MissingProgram, L"C:\\Program Files\\Kova32\\poista.exe"},
        {deep + L" /S", 0, deep, L" /S", Leftover::None, L""},
        {plain259, 0, plain259, L"", Leftover::None, L""},
        {long260, 0, long260, L"", Leftover::None, L""},
        // As Windows starts it: ".exe" added to a name without an extension, never taken as written; a final dot adds none.
        {L"\"C:\\revx\\foo\" /S", 0, L"C:\\revx\\foo.exe", L" /S", Leftover::None, L""},
        {L"\"C:\\revx\\bar\" /S", 53, L"", L"", Leftover::MissingProgram, L"C:\\revx\\bar"},
        {L"\"C:\\revx\\bar.\" /S", 0, L"C:\\revx\\bar", L" /S", Leftover::None, L""},
        // Only the folders Windows shares between the views keep a 32-bit program out of SysWOW64.
        {L"C:\\Windows\\System32\\spoolkova.exe", 0, L"C:\\Windows\\SysWOW64\\spoolkova.exe", L"", Leftover::None, L"", true},
        {L"C:\\Program Files\\Gone\\uninst /S", 53, L"", L"", Leftover::MissingProgram, L"C:\\Program Files\\Gone\\uninst"},
        {L"C:\\Program Files\\Foo\\setup.com /x", 0, L"C:\\Program Files\\Foo\\setup.com", L" /x", Leftover::None, L""},
        {L"C:\\Old Tools\\x.com /q", 53, L"", L"", Leftover::MissingProgram, L"C:\\Old Tools\\x.com"},
        // A name followed by a separator is a folder the program lies in, there or not.
        {L"C:\\Program Stuff\\y /S", 53, L"", L"", Leftover::MissingProgram, L"C:\\Program Stuff\\y"},
        {L"C:\\App.v2\\uninst /S", 0, L"C:\\App.v2\\uninst.exe", L" /S", Leftover::None, L""},
        {L"C:\\Tools\\setup.bin /S", 53, L"", L"", Leftover::MissingProgram, L"C:\\Tools\\setup.bin"},
        {L"C:\\Tools\\noext", 0, L"C:\\Tools\\noext.exe", L"", Leftover::None, L""},
        // Only "not found" is missing.
        {L"C:\\Locked\\uninst /S", 70, L"", L"", Leftover::None, L""},
        {L"C:\\Locked\\uninst.exe", 70, L"", L"", Leftover::None, L""},
        {L"C:\\Shared Files", 70, L"", L"", Leftover::None, L""},
        {L"C:\\Busy\\uninst.exe", 70, L"", L"", Leftover::None, L""},
        {L"ghost /x", 70, L"", L"", Leftover::None, L""},
        {L"rundll32 C:\\App.v2\\helper,Entry", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\App.v2\\helper,Entry", Leftover::None, L""},
        {L"rundll32.exe C:\\Locked\\x.dll,Entry", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\Locked\\x.dll,Entry", Leftover::None, L""},
        // rundll32 loads a library as LoadLibrary does.
        {L"rundll32.exe C:\\x\\bar,Uninstall", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\x\\bar,Uninstall", Leftover::None, L""},
        {L"rundll32 C:\\x\\baz.,Uninstall", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\x\\baz.,Uninstall", Leftover::None, L""},
        {L"rundll32 C:\\x\\bar.,Uninstall", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\x\\bar.,Uninstall", Leftover::MissingLibrary, L"C:\\x\\bar"},
        {L"rundll32 C:\\x\\baz,Uninstall", 0, L"C:\\Windows\\system32\\rundll32.exe", L" C:\\x\\baz,Uninstall", Leftover::MissingLibrary, L"C:\\x\\baz.dll"},
        {L"rundll32.exe \"C:\\y\\qux.dll,Entry\"", 0, L"C:\\Windows\\system32\\rundll32.exe", L" \"C:\\y\\qux.dll,Entry\"", Leftover::None, L""},
        {L"rundll32.exe \"C:\\y\\gone.dll,Entry\"", 0, L"C:\\Windows\\system32\\rundll32.exe", L" \"C:\\y\\gone.dll,Entry\"", Leftover::MissingLibrary,
         L"C:\\y\\gone.dll"},
        // Every hexadecimal digit in a product code; a look-alike of msiexec is an ordinary program.
        {L"MsiExec.exe /X" + ef, 0, L"C:\\Windows\\system32\\MsiExec.exe", L" /X" + ef, Leftover::UnknownProduct, ef},
        {L"C:\\x\\notmsiexec.exe /X" + gone, 53, L"", L"", Leftover::MissingProgram, L"C:\\x\\notmsiexec.exe"},
        // A 32-bit row whose "(x86)" program is missing and whose program as written cannot be looked at.
        {L"%PROGRAMFILES%\\Locked32\\poista.exe", 70, L"", L"", Leftover::None, L"", true},
    };
    for (const Row& row : rows) {
        const CommandContext context = {row.wow64};
        const LaunchPlan plan = PlanLaunch(row.command, system, context);
        EXPECT_EQ(plan.error, row.error) << Ascii(row.command);
        EXPECT_EQ(Lower(plan.program), Lower(row.runs)) << Ascii(row.command);
        EXPECT_EQ(Ascii(plan.line), plan.program.empty() ? "" : "\"" + Ascii(plan.program) + "\"" + Ascii(row.arguments))
            << Ascii(row.command);
        EXPECT_EQ(Ascii(plan.application), Ascii(plan.program.size() < 260 ? plan.program : L"\\\\?\\" + plan.program)) << Ascii(row.command);
        const Leftover leftover = FindLeftover(row.command, system, context);
        EXPECT_EQ(leftover.kind, row.kind) << Ascii(row.command);
        EXPECT_EQ(Ascii(leftover.subject), Ascii(row.subject)) << Ascii(row.command);
    }
    // Every probe, the 300-character path's included, is of the form Windows takes at any length.
    for (const std::wstring& asked : system.existenceAsked) EXPECT_EQ(asked.rfind(L"\\\\?\\", 0), 0u) << Ascii(asked);
    // A drive letter with no root is named instead of 53; the row stays black.
    EXPECT_EQ(PlanLaunch(L"F:\\Setup\\uninst.exe /S", system).missingDrive, L'F');
    EXPECT_EQ(PlanLaunch(L"E:\\Setup\\uninst.exe /S", system).missingDrive, 0);
    EXPECT_EQ(FindLeftover(L"F:\\Setup\\uninst.exe /S", system).kind, Leftover::None);
}

// Generated uninstaller paths with decoys planted in the folders above them.
TEST(Leftover, NoGeneratedPathEverStartsAPlantedProgram)
{
    for (std::uint32_t seed = 1; seed <= 5000; ++seed) {
        std::mt19937 random(seed);
        ASSERT_EQ(test::CheckPlantedProgram([&](unsigned n) { return n ? static_cast<unsigned>(random() % n) : 0u; }), "")
            << "seed " << seed;
    }
}

// Generated msiexec lines against the made-up Windows Installer: a row is grey
// exactly when msiexec would be asked about an unknown product, or a patch that
// its known product has in no state; never when Windows Installer cannot say.
TEST(Leftover, MsiexecLinesAreGreyExactlyWhenWindowsInstallerKnowsNothingOfWhatTheyName)
{
    MadeUpSystem system;
    std::mt19937 random(11);
    const auto pick = [&](std::initializer_list<std::wstring> from) { return *(from.begin() + random() % from.size()); };
    const auto cased = [&](std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(random() % 2 ? std::towupper(c) : std::towlower(c));
        return text;
    };
    const auto quoted = [&](const std::wstring& text) { return random() % 2 ? L"\"" + text + L"\"" : text; };
    const auto option = [&](const std::wstring& name, const std::wstring& code) {
        return L" " + pick({L"/", L"-"}) + cased(name) + pick({L"", L" ", L"  "}) + quoted(cased(code));
    };
    for (int round = 0; round < 3000; ++round) {
        const std::wstring product = pick({kKnown, kGone}), patch = pick({kPatch, kGone, kKnown});
        const std::wstring patches = random() % 2 ? patch : pick({kPatch, patch}) + L";" + patch;
        std::wstring line = L"MsiExec.exe" + pick({L"", L" /qb"}), removal;
        Leftover expected = {product == kGone ? Leftover::UnknownProduct : Leftover::None, product == kGone ? product : L""};
        switch (random() % 3) {
        case 0: line += option(pick({L"x", L"i", L"uninstall", L"package"}), product); break;
        case 1: removal = option(pick({L"package", L"i"}), product) + option(L"uninstall", patch); break;
        default: removal = option(L"i", product) + L" " + cased(L"MSIPATCHREMOVE=") + quoted(patches); break;
        }
        if (!removal.empty() && product == kKnown && patch != kPatch) expected = {Leftover::UnknownPatch, patch, product};
        line += removal + pick({L"", L" /qn", L" REBOOT=ReallySuppress"});
        const Leftover found = FindLeftover(line, system);
        EXPECT_EQ(found.kind, expected.kind) << Ascii(line);
        EXPECT_EQ(Lower(found.subject) + Lower(found.product), Lower(expected.subject) + Lower(expected.product)) << Ascii(line);
        system.patchesUnsure = true;
        const bool doubt = expected.kind == Leftover::UnknownPatch && Lower(removal).find(Lower(kPatch)) != std::wstring::npos;
        EXPECT_EQ(FindLeftover(line, system).kind, doubt ? Leftover::None : expected.kind) << Ascii(line);
        system.unsure = true;
        EXPECT_EQ(FindLeftover(line, system).kind, Leftover::None) << Ascii(line);
        system.unsure = system.patchesUnsure = false;
    }
}

// An entry named by a product code and marked as Windows Installer's is grey when
// the product is unknown, whatever its command; a grey row whose program may
// still be installed is marked so.
TEST(Leftover, ProductCodeEntriesAndProgramsStillInstalled)
{
    MadeUpSystem system;
    MemoryRegistry registry;
    registry.CreateKey(kHkeyLocalMachine, "Software\\Classes\\Installer\\Dependencies\\Nippu.Asennettu");
    const std::string gone = Ascii(kGone), known = Ascii(kKnown), other = "{9a8b7c6d-0000-4000-8000-00aa00bb00cd}";
    struct Row {
        std::string key;
        std::optional<std::uint32_t> windowsInstaller;
        std::wstring command;
        Leftover::Kind kind;
        bool stillInstalled = false;
        const char* bundle = nullptr;
    };
    const std::vector<Row> rows = {
        {gone, 1, L"", Leftover::UnknownProduct},
        {other, 1, L"C:\\Program Files\\Foo\\uninst.exe", Leftover::UnknownProduct},
        {"{9A8B7C6D-0000-4000-8000-00AA00BB00CE}", 0, L"", Leftover::None},
        {"{9A8B7C6D-0000-4000-8000-00AA00BB00CF}", std::nullopt, L"", Leftover::None},
        {"{9A8B7C6D-0000-4000-8000-00AA00BB00D0}", 0x101, L"", Leftover::None},
        {"InstallShield_" + gone, 1, L"", Leftover::None},
        {known, 1, L"C:\\Gone\\uninst.exe", Leftover::MissingProgram, true},
        {"InstallShield_" + known, std::nullopt, L"C:\\Gone\\uninst.exe", Leftover::MissingProgram, true},
        {"Nippu", std::nullopt, L"C:\\Gone\\setup.exe", Leftover::MissingProgram, true, "nippu.asennettu"},
        {"Nippu 2", std::nullopt, L"C:\\Gone\\setup.exe", Leftover::MissingProgram, false, "Nippu.Poistettu"},
    };
    EntryChecks checks = StartChecks(registry, system);
    for (const Row& row : rows) {
        const std::string path = kUninstallPath + row.key;
        registry.CreateKey(kHkeyLocalMachine, path);
        if (row.windowsInstaller)
            registry.SetValue(kHkeyLocalMachine, path, "WindowsInstaller", kRegDword,
                              {static_cast<unsigned char>(*row.windowsInstaller), static_cast<unsigned char>(*row.windowsInstaller >> 8), 0, 0});
        if (row.bundle) registry.SetString(kHkeyLocalMachine, path, "BundleProviderKey", row.bundle);
        const Leftover found = MarkEntry(checks, UninstallSource::Machine, row.key, row.command);
        EXPECT_EQ(found.kind, row.kind) << row.key;
        EXPECT_EQ(found.stillInstalled, row.stillInstalled) << row.key;
    }
    // A WindowsInstaller of another type than a DWORD is not Windows Installer's mark.
    const std::string binary = "{9A8B7C6D-0000-4000-8000-00AA00BB00D1}";
    registry.SetValue(kHkeyLocalMachine, kUninstallPath + binary, "WindowsInstaller", kRegBinary, {1, 0, 0, 0});
    EXPECT_EQ(MarkEntry(checks, UninstallSource::Machine, binary, L"").kind, Leftover::None);
    // Where the dependency providers cannot be read, any bundle may still be installed.
    registry.Refuse(kHkeyLocalMachine, "Software\\Classes\\Installer\\Dependencies", RegView::Native, true, false);
    EntryChecks blind = StartChecks(registry, system);
    EXPECT_TRUE(MarkEntry(blind, UninstallSource::Machine, "Nippu 2", L"C:\\Gone\\setup.exe").stillInstalled);
    EXPECT_TRUE(blind.providers[1] && blind.providers[1]->empty());  // the other root's are read all the same
}

// "Avaa kansio": the InstallLocation read as a command is, looked at on the local fixed disk only.
TEST(Leftover, InstallFoldersOpenAsFoldersOrSelectedFilesWhereTheyAre)
{
    MadeUpSystem system;
    system.files.insert(L"c:\\program files (x86)\\kuva\\kuva.exe");
    const std::wstring foo = L"C:\\Program Files\\Foo";
    struct Row {
        std::wstring location;
        FolderPlan::Kind kind;
        std::wstring path;
        bool wow64 = false;
    };
    const std::vector<Row> rows = {
        {L"", FolderPlan::Nothing, L""},
        {L" \t ", FolderPlan::Nothing, L""},
        {L"\"\" ", FolderPlan::Nothing, L""},
        {L" \"" + foo + L"\\\"  ", FolderPlan::Explore, foo},
        {L"%PROGRAMFILES%\\Foo\\uninst.exe", FolderPlan::SelectFile, foo + L"\\uninst.exe"},
        {L"%PROGRAMFILES%\\Foo\\uninst.exe", FolderPlan::SelectFile, foo + L"\\uninst.exe", true},
        {L"C:\\Gone\\", FolderPlan::Missing, L"C:\\Gone"},
        {L"%PROGRAMFILES%\\Kuva", FolderPlan::Missing, L"C:\\Program Files\\Kuva"},
        {L"%PROGRAMFILES%\\Kuva", FolderPlan::Explore, L"C:\\Program Files (x86)\\Kuva", true},
        {L"Foo\\Bar", FolderPlan::Missing, L"Foo\\Bar"},
        {L"E:\\", FolderPlan::Explore, L"E:\\"},
        {L"D:\\Gone", FolderPlan::Explore, L"D:\\Gone"},
        {L"\\\\palvelin\\jako\\Gone", FolderPlan::Explore, L"\\\\palvelin\\jako\\Gone"},
    };
    for (const Row& row : rows) {
        system.existenceAsked.clear();
        const FolderPlan plan = PlanFolder(row.location, system, {row.wow64});
        EXPECT_EQ(plan.kind, row.kind) << Ascii(row.location);
        EXPECT_EQ(Ascii(plan.path), Ascii(row.path)) << Ascii(row.location);
        if (row.path.empty() || row.path[0] != L'C') {
            EXPECT_TRUE(system.existenceAsked.empty()) << Ascii(row.location);
        }
    }
}

}  // namespace
}  // namespace karnio
