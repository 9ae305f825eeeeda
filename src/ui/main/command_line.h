// The launcher's decisions that need no Windows: splitting an uninstall command
// line into its program and arguments, telling what kind of path the program
// is, and finding the program file through what the system answers. Portable,
// so that it runs under the fuzzer and the native suite too.
#pragma once

#include "catalogue/desktop_user.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace karnio {

// CreateProcess takes command lines of at most this many characters, terminator included.
inline constexpr std::size_t kMaxCommandLine = 32767;
// A path this long or longer reaches its file only in the extended form (\\?\).
inline constexpr std::size_t kMaxPath = 260;

inline constexpr int kErrorNumberInvalidCall = 5;   // empty command
inline constexpr int kErrorNumberFileNotFound = 53;
inline constexpr int kErrorNumberPermissionDenied = 70;

// The number the run command reports for a Windows error code.
int ErrorNumber(unsigned long error);

struct CommandLineParts {
    std::wstring program;    // as written, without quotes
    std::wstring arguments;  // everything after the program, leading blank included
    bool settled = true;     // false when only the file system can tell where the program ends
};

// Splits a command line into its program and arguments. A quoted program ends at
// the closing quote (an unclosed quote takes the rest of the line). An unquoted
// program ends at the first blank after which the text so far names an .exe or a
// .com file, so "C:\Program Files\Foo\uninst.exe /S" never means C:\Program.exe;
// with no such blank it ends at the first blank, and is not settled.
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

// What a path names, as the file system answers.
struct PathState {
    enum Kind {
        File,
        Folder,
        Missing,  // Windows answered: file or path not found, or an invalid name
        Failed,   // any other answer (access denied, a sharing or device error): nobody can say
    } kind;
    unsigned long error = 0;  // Windows' error code, when Failed
};

// The folders a 32-bit program sees redirected on 64-bit Windows; no wow64 folder
// where Windows has no 32-bit subsystem.
struct Wow64Folders {
    std::wstring system, wow64, windows;
};

// An answer that may be certain either way, or not.
enum class Known { Yes, No, Unsure };

// What finding a program asks of the system; WindowsHostSystem answers for real.
class HostSystem {
public:
    virtual ~HostSystem() = default;
    // %NAME% variables expanded; false when the line is, or would become, too long to start.
    virtual bool ExpandVariables(const std::wstring& text, std::wstring& expanded) = 0;
    // The path as Windows reads it: made absolute, trailing dots and blanks dropped; empty on failure.
    virtual std::wstring FullPath(const std::wstring& path) = 0;
    // What the path names.
    virtual PathState Probe(const std::wstring& path) = 0;
    // The system folders, then the absolute folders of PATH: where a bare name may come from.
    virtual const std::vector<std::wstring>& SearchFolders() = 0;
    // Whether the drive letter names a local fixed disk (not a network, removable or unmapped drive).
    virtual bool IsLocalFixedDrive(wchar_t letter) = 0;
    // Whether Windows Installer knows the product, installed or advertised, for
    // anyone, in any context; Unsure where it cannot be asked.
    virtual Known KnowsProduct(const std::wstring& productCode) = 0;
    // Whether Windows Installer knows the patch for the product in any state
    // (applied, superseded, obsoleted, registered); Unsure where it cannot be asked.
    virtual Known KnowsPatch(const std::wstring& productCode, const std::wstring& patchCode) = 0;
    // The system folder and its 32-bit twin; none where there is none.
    virtual Wow64Folders Wow64() { return {}; }
    // Whether the drive letter has a root for Karnio (a network drive mapped only
    // in the desktop user's session has none for an elevated program).
    virtual bool DriveHasRoot(wchar_t) { return true; }
};

// How a row's command is read: an entry of the 32-bit view as a 32-bit program
// sees its paths, another user's entry with that user's variables.
struct CommandContext {
    bool wow64 = false;
    const Environment* environment = nullptr;  // by name in upper case; null: Karnio's own
};

// What a path names as Windows reads it (FullPath), in the first of its
// PathForms that names anything, probed in its extended form.
PathState ProbePath(const std::wstring& path, HostSystem& system, bool wow64);

// The path in the form that Windows takes at any length: \\?\ before a drive
// letter, \\?\UNC\ in place of a network path's \\.
std::wstring ExtendedPath(const std::wstring& fullPath);

// The forms a full path may name, first as a 32-bit program sees it (the system
// folder as its 32-bit twin, except where Windows never redirects; Sysnative as
// the system folder), then as written.
std::vector<std::wstring> PathForms(const std::wstring& fullPath, HostSystem& system, bool wow64);

enum class ProgramSearch {
    Everywhere,  // as the launcher starts it
    LocalFixed,  // never asks about a network, removable or unmapped drive
};

struct FoundProgram {
    enum Result { Found, Missing, Unsure } result;
    std::wstring path;        // the file, when found
    unsigned long error = 0;  // when Unsure because a lookup failed: Windows' error code
};

// Finds one program path. A bare name is looked for in the search folders (with
// ".exe" added when it has no extension); an absolute or UNC path is taken as
// Windows reads it, with ".exe" added when it has no extension; a relative or
// device path is never found. Only Windows' "not found" counts as missing: any
// other failure to look is Unsure, with its error. With LocalFixed, a path on
// anything but a local fixed disk, or a bare name missing from the local fixed
// folders while other folders were passed over, is Unsure as well.
// Every path is probed in its extended form (ExtendedPath), each of its PathForms in turn.
FoundProgram FindProgram(const std::wstring& program, HostSystem& system, ProgramSearch search, bool wow64 = false);

// Text as a row's command is read: nothing after a zero character, and %NAME%
// variables expanded (the row's context's, else Karnio's own), with x86Variables
// %ProgramFiles% and %CommonProgramFiles% first read as their "(x86)" twins;
// nothing where it is, or would become, too long to start.
std::optional<std::wstring> ExpandAsCommand(const std::wstring& text, HostSystem& system, const CommandContext& context,
                                            bool x86Variables);

// A command line as the launcher reads it before it looks for the program:
// nothing after a zero character, %NAME% variables expanded, then split.
struct PreparedCommand {
    enum Result { Ready, TooLong, Empty } result;
    CommandLineParts parts;
    std::wstring line;  // the expanded line
};
// With x86Variables, %ProgramFiles% and %CommonProgramFiles% are read as their "(x86)" twins.
PreparedCommand PrepareCommand(const std::wstring& commandLine, HostSystem& system, const CommandContext& context = {},
                               bool x86Variables = false);

// The program of a prepared command and what follows it.
struct ResolvedProgram {
    FoundProgram::Result result;
    std::wstring program;     // as written: the one found, the first one missing, or the one nobody can say about
    std::wstring arguments;   // everything after it, leading blank included
    std::wstring path;        // the file, when found
    unsigned long error = 0;  // when Unsure because a lookup failed
};

// Finds the program as Windows' own process start does. A settled split is
// looked for as it stands. Otherwise the candidates are the text up to each
// blank, shortest first, then the whole line, each with ".exe" where it has no
// extension (FindProgram); the first that is a file is the program. A candidate whose blank lies inside
// the name of an existing folder (C:\Program of C:\Program Files\...) is never
// taken, so no planted C:\Program.exe can run; a later candidate that is a
// relative path is passed over, as the launcher never starts one.
ResolvedProgram ResolveProgram(const PreparedCommand& prepared, HostSystem& system, ProgramSearch search,
                               bool wow64 = false);

// The command read in the context and its program found: for a 32-bit row whose
// command names %ProgramFiles% or %CommonProgramFiles%, first with their
// "(x86)" twins, then as written; the first form whose program is found, else
// the first. result tells whether the line could be read at all.
struct ResolvedCommand {
    PreparedCommand::Result result;
    ResolvedProgram program;
};
ResolvedCommand ResolveCommand(const std::wstring& commandLine, HostSystem& system, ProgramSearch search,
                               const CommandContext& context);

// What the run command starts: the program file and the command line it hands
// over, or instead the error number it reports (0 when it starts something):
// 53 program not found, 5 empty command, 70 access denied, 193 batch file,
// 206 line too long, otherwise the Windows error code.
// A program not found on a drive letter with no root names that drive instead of 53.
struct LaunchPlan {
    int error = 0;
    std::wstring program;      // the file
    std::wstring line;         // its command line: the file quoted, then the arguments
    std::wstring application;  // the file for CreateProcessW: its plain path, the extended form from 260 characters
    std::wstring arguments;    // the arguments alone, leading blank included
    wchar_t missingDrive = 0;
};
LaunchPlan PlanLaunch(const std::wstring& commandLine, HostSystem& system, const CommandContext& context = {});

// The drive letter of an absolute path, or 0.
wchar_t DriveLetter(const std::wstring& path);

}  // namespace karnio
