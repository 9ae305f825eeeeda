// The launcher's portable decisions: where the program of a command line ends,
// and which kinds of path it may name.
#include "ui/main/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace karnio {
namespace {

// The tests' lines are ASCII; wide characters are narrowed one to one.
std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Split(const std::wstring& line)
{
    const CommandLineParts parts = SplitCommandLine(line);
    return Ascii(parts.program) + "|" + Ascii(parts.arguments);
}

TEST(CommandLine, SplitsUnquotedPathsAtTheProgramsOwnExtension)
{
    EXPECT_EQ(Split(L"C:\\Program Files\\Foo\\uninst.exe /S"), "C:\\Program Files\\Foo\\uninst.exe| /S");
    EXPECT_EQ(Split(L"  \"C:\\Program Files\\Foo\\un inst.exe\" /x \"a b\""),
              "C:\\Program Files\\Foo\\un inst.exe| /x \"a b\"");
    EXPECT_EQ(Split(L"MsiExec.exe /X{12345678-ABCD}"), "MsiExec.exe| /X{12345678-ABCD}");
    EXPECT_EQ(Split(L"rundll32.exe shell32.dll,Control_RunDLL"), "rundll32.exe| shell32.dll,Control_RunDLL");
    EXPECT_EQ(Split(L"msiexec /x {1}"), "msiexec| /x {1}");
    EXPECT_EQ(Split(L"C:\\TOOLS\\X.COM"), "C:\\TOOLS\\X.COM|");
    EXPECT_EQ(Split(L"\tC:\\a b\\x.EXE\t/q\t"), "C:\\a b\\x.EXE|\t/q");
}

TEST(CommandLine, HostileLinesSplitPredictably)
{
    EXPECT_EQ(Split(L"   "), "|");
    EXPECT_EQ(Split(L" \t "), "|");
    EXPECT_EQ(Split(L"\"C:\\Program Files\\Foo\\uninst.exe /S"), "C:\\Program Files\\Foo\\uninst.exe /S|");
    EXPECT_EQ(Split(L"\""), "|");
    EXPECT_EQ(Split(L"\"\" /S"), "| /S");
    EXPECT_EQ(Split(L"\"C:\\x.exe\"\" /S\""), "C:\\x.exe|\" /S\"");
    EXPECT_EQ(Split(L"\"C:\\x.exe\"/S"), "C:\\x.exe|/S");
    EXPECT_EQ(Split(L"C:\\Pro\"gram Files\\x.exe /S"), "C:\\Pro\"gram Files\\x.exe| /S");
    EXPECT_EQ(Split(L"%UNDEFINED%\\x.exe /S"), "%UNDEFINED%\\x.exe| /S");
    EXPECT_EQ(Split(L"C:\\x\\uninst.exe. /S"), "C:\\x\\uninst.exe.| /S");
    EXPECT_EQ(Split(L"C:\\x\\evil.bat . /S"), "C:\\x\\evil.bat| . /S");
    EXPECT_EQ(Split(L"\"C:\\x\\evil.bat .\" /S"), "C:\\x\\evil.bat .| /S");
    const std::wstring longLine = L"C:\\x.exe " + std::wstring(40000, L'a');
    EXPECT_EQ(SplitCommandLine(longLine).arguments.size(), 40001u);
}

TEST(CommandLine, ClassifiesWhatAProgramPathNames)
{
    EXPECT_EQ(ClassifyPath(L""), PathKind::Empty);
    EXPECT_EQ(ClassifyPath(L"msiexec"), PathKind::Bare);
    EXPECT_EQ(ClassifyPath(L"uninst.exe"), PathKind::Bare);
    EXPECT_EQ(ClassifyPath(L"C:\\x\\u.exe"), PathKind::Absolute);
    EXPECT_EQ(ClassifyPath(L"c:/x/u.exe"), PathKind::Absolute);
    EXPECT_EQ(ClassifyPath(L"\\\\server\\share\\u.exe"), PathKind::Unc);
    EXPECT_EQ(ClassifyPath(L"//server/share/u.exe"), PathKind::Unc);
    for (const wchar_t* relative : {L".\\u.exe", L"..\\u.exe", L"sub\\u.exe", L"\\u.exe", L"C:u.exe", L"C:", L"u.exe:stream"})
        EXPECT_EQ(ClassifyPath(relative), PathKind::Relative) << Ascii(relative);
    for (const wchar_t* device : {L"\\\\.\\C:\\u.exe", L"\\\\?\\C:\\u.exe", L"\\\\.\\pipe\\x", L"//?/C:/u.exe"})
        EXPECT_EQ(ClassifyPath(device), PathKind::Device) << Ascii(device);
}

TEST(CommandLine, BatchFilesAndZeroCharacters)
{
    EXPECT_TRUE(IsBatchFile(L"C:\\x\\EVIL.BAT"));
    EXPECT_TRUE(IsBatchFile(L"C:\\x\\evil.Cmd"));
    EXPECT_FALSE(IsBatchFile(L"C:\\x\\evil.bat.exe"));
    EXPECT_FALSE(IsBatchFile(L"bat"));
    EXPECT_EQ(Ascii(UpToNul(std::wstring(L"shown\0hidden.exe", 16))), "shown");
    EXPECT_EQ(Ascii(UpToNul(L"whole")), "whole");
}

}  // namespace
}  // namespace karnio
