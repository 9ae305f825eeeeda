// A report list view as a list sink. Rows are gathered while the list builder
// runs and put into the control in one go, already in order: a list view that
// sorts each insert itself scans all its rows every time.
#pragma once

#include "catalogue/uninstall_list.h"
#include "ui/common/desktop_user.h"
#include "ui/main/leftover.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace karnio {

class ListViewSink final : public ListSink {
public:
    struct Row {
        UninstallSource source;
        std::string key;      // the registry subkey name
        std::string command;  // sub-item 1
        std::wstring text;
        std::string name;     // the shown name as read, before it became text
        Leftover leftover;    // whether its uninstaller is gone, and why
    };

    explicit ListViewSink(HWND list) : list_(list) {}

    void SetSorted(bool sorted) { sorted_ = sorted; }

    void RemoveAll() override;
    std::size_t AddRow(UninstallSource source, const std::string& key, const std::string& text) override;
    void SetSubItem1(std::size_t row, const std::string& text) override;

    // Tells, for every gathered row, whether its uninstaller is gone.
    void MarkLeftovers(EntryChecks& checks, const DesktopUser* desktopUser);

    // Puts the gathered rows into the control, in ascending order when sorted.
    void Show();

    // The row shown as the control's item number item, or null.
    const Row* RowAt(int item) const;
    // The row behind a control item's lParam (as custom draw hands it), or null.
    const Row* RowOfParam(LPARAM param) const;
    // The control item that shows the entry, or -1.
    int ItemOf(const EntryId& entry) const;

private:
    HWND list_;
    bool sorted_ = false;
    std::vector<Row> rows_;
    std::unordered_map<std::string, int> items_;  // by source and key, as Key makes them
};

// How a row's command is read: a 32-bit entry's as a 32-bit program sees it, a
// per-user entry's with the desktop user's variables when that is another user.
CommandContext ContextOf(UninstallSource source, const DesktopUser* desktopUser);

// Tells for the rows of both lists whether their uninstallers are gone, with one
// HostSystem for all (each program file is looked for once, Windows Installer's
// products and patches listed once) and no disk prompts.
void MarkLeftovers(Registry& registry, ListViewSink& ohjelmat, ListViewSink& piilotetut, const DesktopUser* desktopUser);

}  // namespace karnio
