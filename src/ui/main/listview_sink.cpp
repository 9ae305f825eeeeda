#include "ui/main/listview_sink.h"

#include "ui/common/text.h"
#include "ui/main/windows_host.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

namespace karnio {

namespace {
std::string Key(UninstallSource source, const std::string& key) { return static_cast<char>('0' + static_cast<int>(source)) + key; }
}  // namespace

void ListViewSink::RemoveAll()
{
    ListView_DeleteAllItems(list_);
    rows_.clear();
    items_.clear();
}

std::size_t ListViewSink::AddRow(UninstallSource source, const std::string& key, const std::string& text)
{
    rows_.push_back({source, key, std::string(), Wide(text), text});
    return rows_.size() - 1;
}

void ListViewSink::SetSubItem1(std::size_t row, const std::string& text) { rows_.at(row).command = text; }

void ListViewSink::MarkLeftovers(EntryChecks& checks, const DesktopUser* desktopUser)
{
    for (Row& row : rows_) row.leftover = MarkEntry(checks, row.source, row.key, Wide(row.command), ContextOf(row.source, desktopUser));
}

void ListViewSink::Show()
{
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    if (sorted_) {
        // The list view's own comparison for sorted lists (lstrcmpW).
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return CompareStringW(LOCALE_USER_DEFAULT, 0, rows_[a].text.c_str(), -1, rows_[b].text.c_str(), -1) ==
                   CSTR_LESS_THAN;
        });
    }
    ListView_SetItemCount(list_, static_cast<int>(order.size()));
    for (std::size_t position = 0; position < order.size(); ++position) {
        Row& row = rows_[order[position]];
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(position);
        item.pszText = row.text.data();
        item.lParam = static_cast<LPARAM>(order[position]);
        const int index = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (index >= 0) items_[Key(row.source, row.key)] = index;
        if (index < 0 || row.command.empty()) continue;
        std::wstring command = Wide(row.command);
        ListView_SetItemText(list_, index, 1, command.data());
    }
}

const ListViewSink::Row* ListViewSink::RowAt(int item) const
{
    if (item < 0) return nullptr;
    LVITEMW query = {};
    query.mask = LVIF_PARAM;
    query.iItem = item;
    if (!SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    return RowOfParam(query.lParam);
}

int ListViewSink::ItemOf(const EntryId& entry) const
{
    const auto item = items_.find(Key(entry.source, entry.key));
    return item == items_.end() ? -1 : item->second;
}

const ListViewSink::Row* ListViewSink::RowOfParam(LPARAM param) const
{
    const auto index = static_cast<std::size_t>(param);
    return index < rows_.size() ? &rows_[index] : nullptr;
}

CommandContext ContextOf(UninstallSource source, const DesktopUser* desktopUser)
{
    return {source == UninstallSource::Machine32,
            source == UninstallSource::User && desktopUser ? &desktopUser->environment : nullptr};
}

void MarkLeftovers(Registry& registry, ListViewSink& ohjelmat, ListViewSink& piilotetut, const DesktopUser* desktopUser)
{
    NoDiskPrompts noDiskPrompts;
    WindowsHostSystem system;
    EntryChecks checks = StartChecks(registry, system);
    ohjelmat.MarkLeftovers(checks, desktopUser);
    piilotetut.MarkLeftovers(checks, desktopUser);
}

}  // namespace karnio
