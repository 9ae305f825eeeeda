#include "ui/common/shell.h"

#include "ui/common/text.h"
#include "ui/resources/resource.h"

#include <shellapi.h>

namespace karnio {

namespace {
ShellExecuteFunction& Function()
{
    static ShellExecuteFunction function = ShellExecuteW;
    return function;
}
}  // namespace

void ShellOpen(HWND owner, const std::wstring& target)
{
    // The result is not examined: a missing handler is the shell's to report.
    Function()(owner, L"open", target.c_str(), L"", ProgramFolder().c_str(), SW_SHOWNORMAL);
}

void SetShellExecuteFunction(ShellExecuteFunction function) { Function() = function ? function : ShellExecuteW; }

std::wstring WebAddress(unsigned pathId) { return L"http://" + LoadText(IDS_WWW_PALVELIN) + LoadText(pathId); }

std::wstring MailAddress(unsigned subjectId)
{
    return L"mailto:" + LoadText(IDS_SAHKOPOSTI) + L"?subject=" + LoadText(subjectId);
}

}  // namespace karnio
