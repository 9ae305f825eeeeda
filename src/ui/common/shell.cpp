#include "ui/common/shell.h"

#include "ui/common/text.h"
#include "ui/resources/resource.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include <memory>

namespace karnio {

namespace {

// A COM reference that is released when it goes.
struct Released {
    void operator()(IUnknown* object) const { object->Release(); }
};
using ComObject = std::unique_ptr<IUnknown, Released>;

template <typename Interface>
HRESULT Query(IUnknown* from, REFIID id, Interface** result)
{
    *result = nullptr;
    return from ? from->QueryInterface(id, reinterpret_cast<void**>(result)) : E_POINTER;
}

// A text as a VARIANT for IShellDispatch2; it frees its BSTR.
struct Text {
    explicit Text(const std::wstring& text)
    {
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    ~Text() { VariantClear(&value); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    VARIANT value;
};

// Explorer's desktop window, its view, and the shell dispatch object of that
// view, which starts what it is given in Explorer's process.
std::vector<DesktopStep> ExplorersSteps()
{
    return {
        [](IUnknown*, const ShellRequest&, IUnknown** next) {
            // Without a shell window there is no desktop shell to ask (Wine has none), and
            // asking COM for Explorer's windows would only wait for a server that never comes.
            if (!GetShellWindow()) return E_FAIL;
            return CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(next));
        },
        [](IUnknown* from, const ShellRequest&, IUnknown** next) {
            IShellWindows* windows = nullptr;
            HRESULT result = Query(from, IID_IShellWindows, &windows);
            if (FAILED(result)) return result;
            VARIANT desktop, empty;
            VariantInit(&desktop);
            VariantInit(&empty);
            desktop.vt = VT_I4;
            desktop.lVal = CSIDL_DESKTOP;
            long window = 0;
            IDispatch* dispatch = nullptr;
            result = windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &dispatch);
            windows->Release();
            *next = dispatch;
            return result == S_OK && dispatch ? S_OK : E_FAIL;
        },
        [](IUnknown* from, const ShellRequest&, IUnknown** next) {
            IServiceProvider* services = nullptr;
            HRESULT result = Query(from, IID_IServiceProvider, &services);
            if (FAILED(result)) return result;
            result = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(next));
            services->Release();
            return result;
        },
        [](IUnknown* from, const ShellRequest&, IUnknown** next) {
            IShellBrowser* browser = nullptr;
            HRESULT result = Query(from, IID_IShellBrowser, &browser);
            if (FAILED(result)) return result;
            IShellView* view = nullptr;
            result = browser->QueryActiveShellView(&view);
            browser->Release();
            *next = view;
            return result;
        },
        [](IUnknown* from, const ShellRequest&, IUnknown** next) {
            IShellView* view = nullptr;
            HRESULT result = Query(from, IID_IShellView, &view);
            if (FAILED(result)) return result;
            result = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(next));
            view->Release();
            return result;
        },
        [](IUnknown* from, const ShellRequest&, IUnknown** next) {
            IShellFolderViewDual* folderView = nullptr;
            HRESULT result = Query(from, IID_IShellFolderViewDual, &folderView);
            if (FAILED(result)) return result;
            IDispatch* application = nullptr;
            result = folderView->get_Application(&application);
            folderView->Release();
            *next = application;
            return result;
        },
        [](IUnknown* from, const ShellRequest& request, IUnknown**) {
            IShellDispatch2* shell = nullptr;
            HRESULT result = Query(from, IID_IShellDispatch2, &shell);
            if (FAILED(result)) return result;
            BSTR file = SysAllocStringLen(request.file.data(), static_cast<UINT>(request.file.size()));
            Text parameters(request.parameters), folder(request.folder), verb(request.verb);
            VARIANT show;
            VariantInit(&show);
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            result = shell->ShellExecute(file, parameters.value, folder.value, verb.value, show);
            SysFreeString(file);
            shell->Release();
            return result;
        },
    };
}

struct Route {
    std::vector<DesktopStep> steps = ExplorersSteps();
    ShellExecuteFunction fallback = ShellExecuteW;
};

Route& CurrentRoute()
{
    static Route route;
    return route;
}

}  // namespace

bool OpenOnDesktop(const ShellRequest& request)
{
    const std::vector<DesktopStep>& steps = CurrentRoute().steps;
    ComObject object;
    for (const DesktopStep& step : steps) {
        IUnknown* next = nullptr;
        const HRESULT result = step(object.get(), request, &next);
        object.reset(next);
        if (FAILED(result)) return false;
    }
    return !steps.empty();
}

void ShellRun(const ShellRequest& request)
{
    // The result is not examined: a missing handler is the shell's to report.
    if (!OpenOnDesktop(request))
        CurrentRoute().fallback(request.owner, request.verb.c_str(), request.file.c_str(), request.parameters.c_str(),
                                request.folder.c_str(), SW_SHOWNORMAL);
}

void ShellOpen(HWND owner, const std::wstring& target) { ShellRun({owner, target, L"", ProgramFolder()}); }

void SetShellRoute(std::vector<DesktopStep> steps, ShellExecuteFunction fallback)
{
    CurrentRoute() = {std::move(steps), fallback};
}

void ResetShellRoute() { CurrentRoute() = {}; }

std::wstring WebAddress(unsigned pathId) { return L"http://" + LoadText(IDS_WWW_PALVELIN) + LoadText(pathId); }

std::wstring MailAddress(unsigned subjectId)
{
    return L"mailto:" + LoadText(IDS_SAHKOPOSTI) + L"?subject=" + LoadText(subjectId);
}

}  // namespace karnio
