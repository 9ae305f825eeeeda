#include "ui/common/common_controls.h"

#include "ui/common/system_library.h"

namespace karnio {

const CommonControls* LoadCommonControls()
{
    static const CommonControls* const loaded = []() -> const CommonControls* {
        static CommonControls controls = {};
        controls.module = SystemLibrary(L"comctl32.dll");
        const auto initialise = SystemFunction<decltype(&::InitCommonControlsEx)>(controls.module, "InitCommonControlsEx");
        controls.setWindowSubclass = SystemFunction<decltype(&::SetWindowSubclass)>(controls.module, "SetWindowSubclass");
        controls.defSubclassProc = SystemFunction<decltype(&::DefSubclassProc)>(controls.module, "DefSubclassProc");
        controls.removeWindowSubclass = SystemFunction<decltype(&::RemoveWindowSubclass)>(controls.module, "RemoveWindowSubclass");
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        const bool ready = initialise && controls.setWindowSubclass && controls.defSubclassProc && controls.removeWindowSubclass &&
                           initialise(&classes);
        return ready ? &controls : nullptr;
    }();
    return loaded;
}

}  // namespace karnio
