// The main window's commands on its chosen rows: deleting them (the pop-up's and
// the Muokkaa menu's "&Poista", and Del), bringing a delete back (Ctrl+Z),
// copying a row's text (Ctrl+C) and choosing a list's leftovers.
#include "ui/main/frmKarnio.h"

#include "catalogue/entry_details.h"
#include "ui/common/cursor.h"
#include "ui/common/text.h"
#include "ui/main/list_place.h"
#include "ui/main/listview_sink.h"
#include "ui/resources/resource.h"

#include <algorithm>
#include <cstring>

namespace karnio {

namespace {

constexpr std::size_t kMostNamed = 10;

// One message for a command's rows that could not be dealt with: a heading, a
// line for each (its name, cleaned as tip lines are, and why), at most ten of them.
std::wstring Problems(unsigned heading, const std::vector<std::wstring>& lines)
{
    std::wstring text = LoadText(heading);
    for (std::size_t i = 0; i < lines.size() && i < kMostNamed; ++i) text += L"\r\n" + lines[i];
    if (lines.size() > kMostNamed) text += L"\r\n" + LoadText(IDS_JA_MUUTA, std::to_wstring(lines.size() - kMostNamed));
    return text;
}

std::wstring Named(const std::wstring& name, const std::wstring& reason) { return TipLine(name) + L": " + reason; }

// The name of the entry among entries, from names given in the same order.
const std::wstring& NameOf(const EntryId& entry, const std::vector<EntryId>& entries, const std::vector<std::wstring>& names)
{
    return names[std::find(entries.begin(), entries.end(), entry) - entries.begin()];
}

// An undo step of the copies, each named by its entry's name among entries.
UndoStep StepOf(std::vector<PoistettuMerkinta> copies, const std::vector<EntryId>& entries,
                const std::vector<std::wstring>& names)
{
    UndoStep step;
    for (const PoistettuMerkinta& copy : copies) step.names.push_back(NameOf({copy.source, copy.aliavain}, entries, names));
    step.copies = std::move(copies);
    return step;
}

std::vector<EntryId> EntriesOf(const std::vector<PoistettuMerkinta>& copies)
{
    std::vector<EntryId> entries;
    for (const PoistettuMerkinta& copy : copies) entries.push_back({copy.source, copy.aliavain});
    return entries;
}

}  // namespace

// Every chosen row of the list, in list order, in one go: one rebuild, one undo
// step, one message for the rows that stay. The row after the first one that
// went is chosen next; a delete that took nothing leaves its rows chosen.
void FrmKarnio::PoistaValitut(HWND list)
{
    if (!list) return;
    const ListViewSink& sink = SinkOf(list);
    const std::vector<EntryId> chosen = SelectedEntries(list, sink);
    if (chosen.empty()) return;
    // By its narrow name the key would be the one named by the part before the
    // zero, or the one with U+FFFD in place of the unpaired surrogate.
    if (chosen.size() == 1 && !OnPoistettava(chosen.front().key)) {
        ShowError(LoadText(chosen.front().key.find('\0') != std::string::npos ? IDS_NOLLAMERKKI : IDS_EI_UNICODE));
        return;
    }
    std::vector<std::wstring> names;
    for (const EntryId& entry : chosen) names.push_back(sink.RowAt(sink.ItemOf(entry))->text);

    SetAppCursor(AppCursor::Wait);
    Deletion deletion = PoistaMerkinnat(registry_, chosen);
    if (!deletion.copies.empty()) poistetut_.push_back(StepOf(std::move(deletion.copies), chosen, names));
    Choice next;
    next.list = list;
    if (deletion.gone.empty()) {
        next.entries = chosen;
    } else {
        next.entries = EntriesAround(list, sink, deletion.gone);
        next.firstOnly = next.scroll = next.focus = next.tip = true;
    }
    Rebuild(next);
    deleteDone_ = GetTickCount();
    SetAppCursor(AppCursor::Default);

    if (chosen.size() == 1 && !deletion.refused.empty()) {
        ShowError(LoadText(IDS_POISTO_EI_ONNISTU, std::to_wstring(deletion.refused.front().status)));
    } else if (!deletion.refused.empty()) {
        std::vector<std::wstring> lines;
        for (const Deletion::Refusal& refusal : deletion.refused) {
            const std::wstring reason = refusal.reason == Deletion::Refusal::ZeroCharacter ? LoadText(IDS_SYY_NOLLAMERKKI)
                                        : refusal.reason == Deletion::Refusal::NotUnicode
                                            ? LoadText(IDS_SYY_UNICODE)
                                            : LoadText(IDS_SYY_VIRHE, std::to_wstring(refusal.status));
            lines.push_back(Named(NameOf(refusal.entry, chosen, names), reason));
        }
        ShowError(Problems(IDS_EI_VOITU_POISTAA, lines));
    }
}

// Ctrl+Z: the latest delete not yet undone comes back, byte for byte, its rows chosen.
void FrmKarnio::Kumoa()
{
    if (poistetut_.empty()) return;
    SetAppCursor(AppCursor::Wait);
    const UndoStep step = std::move(poistetut_.back());
    poistetut_.pop_back();
    const std::vector<EntryId> entries = EntriesOf(step.copies);
    const Restoration restoration = PalautaMerkinnat(registry_, step.copies);
    // A key of that name made meanwhile (say, by a reinstall) wins and its copy
    // is dropped; what could not be made can be tried again.
    if (!restoration.failed.empty()) poistetut_.push_back(StepOf(restoration.failed, entries, step.names));
    if (restoration.restored.empty()) {
        ListaaOhjelmat();
    } else {
        // In the order they were deleted, the first of them focused.
        Choice back;
        back.entries.assign(restoration.restored.rbegin(), restoration.restored.rend());
        back.scroll = back.focus = back.tip = true;
        Rebuild(back);
    }
    SetAppCursor(AppCursor::Default);

    if (step.copies.size() == 1 && !restoration.problems.empty()) {
        const RegStatus status = restoration.problems.front().status;
        ShowError(status == kErrorAlreadyExists ? LoadText(IDS_PALAUTUS_ESTETTY)
                  : status == kErrorSuccess     ? LoadText(IDS_OIKEUDET_EI_PALAUTUNEET)
                                                : LoadText(IDS_PALAUTUS_EI_ONNISTU, std::to_wstring(status)));
    } else if (!restoration.problems.empty()) {
        std::vector<std::wstring> lines;
        for (const Restoration::Problem& problem : restoration.problems) {
            const std::wstring reason = problem.status == kErrorAlreadyExists ? LoadText(IDS_SYY_ON_JO)
                                        : problem.status == kErrorSuccess     ? LoadText(IDS_SYY_OIKEUDET)
                                                                              : LoadText(IDS_SYY_VIRHE, std::to_wstring(problem.status));
            lines.push_back(Named(NameOf(problem.entry, entries, step.names), reason));
        }
        ShowError(Problems(IDS_EI_VOITU_PALAUTTAA, lines));
    }
}

// Ctrl+C: the chosen row's tip, whole, as Unicode text.
void FrmKarnio::Kopioi(HWND list)
{
    if (!list) return;
    const int item = ChosenItem(list);
    if (item < 0) return;
    const std::wstring text = TipTextOf(list, item, true);
    if (!OpenClipboard(hwnd_)) {
        ShowError(LoadText(IDS_LEIKEPOYTA));
        return;
    }
    EmptyClipboard();
    const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size)) {
        std::memcpy(GlobalLock(memory), text.c_str(), size);
        GlobalUnlock(memory);
        // The clipboard owns what it takes; what it refuses is ours to free.
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

// "Valitse jäänteet": every grey row of the list, the first focused and in view.
void FrmKarnio::ValitseJaanteet(HWND list)
{
    std::vector<int> grey;
    for (int item = 0, count = ListView_GetItemCount(list); item < count; ++item) {
        const ListViewSink::Row* row = SinkOf(list).RowAt(item);
        if (row && row->leftover.kind != Leftover::None) grey.push_back(item);
    }
    if (grey.empty()) return;
    SelectAlone(list, grey);
    Remember(list);
    SetFocus(list);
    ListView_EnsureVisible(list, grey.front(), FALSE);
}

// Shown with the default cursor: an hourglass over a window waiting for the user would lie.
void FrmKarnio::ShowError(const std::wstring& prompt)
{
    MessageBoxW(hwnd_, prompt.c_str(), LoadText(IDS_VIRHE).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace karnio
