// Hands documents, addresses and another user's uninstallers to the Windows
// shell: through the desktop's own shell first, which runs as the desktop user
// (Karnio runs elevated, perhaps with another person's administrator password),
// then, for documents and addresses, through ShellExecuteW as Karnio itself.
// Verb "open" (or the request's own), the program's own folder as the working
// folder, and a normal window, so that a browser or mail program not yet running shows itself.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>
#include <string>
#include <vector>

namespace karnio {

using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND owner, const wchar_t* verb, const wchar_t* file,
                                                const wchar_t* parameters, const wchar_t* folder, int show);

struct ShellRequest {
    HWND owner;
    std::wstring file, parameters, folder;
    std::wstring verb = L"open";
};

// One step of the way to the desktop's shell: from what the step before gave
// (null for the first), the next object, which the route releases; the last
// step opens the request.
using DesktopStep = std::function<HRESULT(IUnknown* from, const ShellRequest& request, IUnknown** next)>;

// Opens the request through the desktop's shell, as the desktop user; false when any step failed.
bool OpenOnDesktop(const ShellRequest& request);

// The request through the desktop's shell, else through ShellExecuteW, with the same verb.
void ShellRun(const ShellRequest& request);

// A document or address: through the desktop's shell, else through ShellExecuteW.
void ShellOpen(HWND owner, const std::wstring& target);

// Tests replace the whole route, the desktop's steps (none: no desktop shell
// answers) and ShellExecuteW, so that nothing is opened for real.
void SetShellRoute(std::vector<DesktopStep> steps, ShellExecuteFunction fallback);
// Back to Explorer's shell and ShellExecuteW.
void ResetShellRoute();

// "http://" with the maker's web host and the page path of string pathId.
std::wstring WebAddress(unsigned pathId);
// A mailto: link to the maker's address with the subject of string subjectId, unencoded.
std::wstring MailAddress(unsigned subjectId);

}  // namespace karnio
