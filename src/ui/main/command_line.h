// The launcher's decisions that need no Windows: splitting an uninstall command
// line into its program and arguments, telling what kind of path the program
// is, and finding the program file through what the system answers. Portable,
// so that it runs under the fuzzer and the native suite too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace karnio {

// CreateProcess takes command lines of at most this many characters, terminator included.
inline constexpr std::size_t kMaxCommandLine = 32767;

struct CommandLineParts {
    std::wstring program;    // as written, without quotes
    std::wstring arguments;  // everything after the program, leading blank included
};

// Splits a command line into its program and arguments. A quoted program ends at
// the closing quote (an unclosed quote takes the rest of the line). An unquoted
// program ends at the first blank after which the text so far names an .exe or a
// .com file, so "C:\Program Files\Foo\uninst.exe /S" never means C:\Program.exe;
// with no such blank it ends at the first blank.
CommandLineParts SplitCommandLine(const std::wstring& commandLine);

enum class PathKind {
    Empty,
    Bare,      // a name alone, looked for in the system folders and on the search path
    Absolute,  // C:\...
    Unc,       // \\server\share\...
    Relative,  // foo\x.exe, .\x.exe, ..\x.exe, \x.exe, C:x.exe: relative to what nobody can say
    Device,    // \\.\... and \\?\...: not a file name a program is started from
};
PathKind ClassifyPath(const std::wstring& program);

// The text up to its first zero character: a value that holds one shows no more than that.
std::wstring UpToNul(const std::wstring& text);

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix);
// .bat and .cmd files would need cmd.exe, which Karnio never starts.
bool IsBatchFile(const std::wstring& path);

// What finding a program asks of the system; WindowsHostSystem answers for real.
class HostSystem {
public:
    virtual ~HostSystem() = default;
    // %NAME% variables expanded; false when the line is, or would become, too long to start.
    virtual bool ExpandVariables(const std::wstring& text, std::wstring& expanded) = 0;
    // The path as Windows reads it: made absolute, trailing dots and blanks dropped; empty on failure.
    virtual std::wstring FullPath(const std::wstring& path) = 0;
    // Whether the path names a file (not a folder).
    virtual bool IsFile(const std::wstring& path) = 0;
    // The system folders, then the absolute folders of PATH: where a bare name may come from.
    virtual const std::vector<std::wstring>& SearchFolders() = 0;
    // Whether the drive letter names a local fixed disk (not a network, removable or unmapped drive).
    virtual bool IsLocalFixedDrive(wchar_t letter) = 0;
    // Whether Windows Installer answers INSTALLSTATE_UNKNOWN for the product code.
    virtual bool IsUnknownProduct(const std::wstring& productCode) = 0;
};

enum class ProgramSearch {
    Everywhere,  // as the launcher starts it
    LocalFixed,  // never asks about a network, removable or unmapped drive
};

struct FoundProgram {
    enum Result { Found, Missing, Unsure } result;
    std::wstring path;  // the file, when found
};

// Finds the program of a split command line. A bare name is looked for in the
// search folders (with ".exe" added when it has no extension); an absolute or
// UNC path is taken as Windows reads it, with ".exe" tried when it has no
// extension; a relative or device path is never found. With LocalFixed, a path
// on anything but a local fixed disk, or a bare name missing from the local
// fixed folders while other folders were passed over, is Unsure.
FoundProgram FindProgram(const std::wstring& program, HostSystem& system, ProgramSearch search);

// A command line as the launcher reads it before it looks for the program:
// nothing after a zero character, %NAME% variables expanded, then split.
struct PreparedCommand {
    enum Result { Ready, TooLong, Empty } result;
    CommandLineParts parts;
};
PreparedCommand PrepareCommand(const std::wstring& commandLine, HostSystem& system);

// The drive letter of an absolute path, or 0.
wchar_t DriveLetter(const std::wstring& path);

}  // namespace karnio
