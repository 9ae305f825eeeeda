// The launcher's decisions that need no Windows: splitting an uninstall command
// line into its program and arguments, and telling what kind of path the
// program is. Portable, so that it runs under the fuzzer too.
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace karnio
