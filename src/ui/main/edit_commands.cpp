// The main window's commands on its chosen rows: deleting them (the pop-up's and
// the Muokkaa menu's "&Poista", and Del), bringing a delete back (Ctrl+Z),
// copying a row's text (Ctrl+C) and choosing a list's leftovers.
#include "ui/main/frmKarnio.h"

#include "catalogue/entry_details.h"
#include "ui/common/cursor.h"
#include "ui/common/text.h"
#include "ui/main/list_place.h"
#include "ui/main/frmEtsi.h"
#include "ui/main/listview_sink.h"
#include "ui/main/row_search.h"
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

std::wstring Named(const std::string& name, const std::wstring& reason) { return TipLine(Wide(name)) + L": " + reason; }

// The name of the entry among entries, from names given in the same order.
const std::string& NameOf(const EntryId& entry, const std::vector<EntryId>& entries, const std::vector<std::string>& names)
{
    return names[std::find(entries.begin(), entries.end(), entry) - entries.begin()];
}

// Why no whole copy of an entry could be had, as the messages say it.
std::wstring CopyProblem(const Refusal& refusal)
{
    const std::wstring status = std::to_wstring(refusal.status);
    return refusal.reason == Refusal::Unreadable    ? LoadText(IDS_KOPIO_LUKU, status)
           : refusal.reason == Refusal::Undeletable ? LoadText(IDS_KOPIO_POISTO, status)
                                                    : LoadText(IDS_SYY_NOLLAMERKKI);
}

// The message for one row that stays; its own name's zero character or surrogate is told before anything is tried.
std::wstring RefusalText(const Refusal& refusal, const std::wstring& name)
{
    switch (refusal.reason) {
    case Refusal::ZeroCharacter: return LoadText(IDS_NOLLAMERKKI);
    case Refusal::NotUnicode: return LoadText(IDS_EI_UNICODE);
    case Refusal::Changed: return LoadText(IDS_MUUTTUNUT, name);
    case Refusal::ZeroInside:
    case Refusal::Unreadable:
    case Refusal::Undeletable: return LoadText(IDS_EI_KOPIOTA, name, CopyProblem(refusal));
    case Refusal::Refused: break;
    }
    return LoadText(IDS_POISTO_EI_ONNISTU, std::to_wstring(refusal.status));
}

// The same as a line of the message for several rows.
std::wstring RefusalLine(const Refusal& refusal)
{
    switch (refusal.reason) {
    case Refusal::ZeroCharacter: return LoadText(IDS_SYY_NOLLAMERKKI);
    case Refusal::NotUnicode: return LoadText(IDS_SYY_UNICODE);
    case Refusal::Changed: return LoadText(IDS_SYY_MUUTTUNUT);
    case Refusal::ZeroInside: return LoadText(IDS_SYY_EI_KOPIOTA, CopyProblem(refusal)) + LoadText(IDS_SYY_YKSINAAN);
    case Refusal::Unreadable:
    case Refusal::Undeletable: return LoadText(IDS_SYY_EI_KOPIOTA, CopyProblem(refusal));
    case Refusal::Refused: break;
    }
    return LoadText(IDS_SYY_VIRHE, std::to_wstring(refusal.status));
}

}  // namespace

// Every chosen row of the list, in list order, in one go: one rebuild, one undo
// step, one message for the rows that stay. Several rows are deleted only once
// the user has said yes to their number. Each row goes only with a whole copy
// and only while it is what the row shows; a single row that could go only
// without its copy goes if the user says so. The row after the first one that
// went is chosen next; a delete that took nothing leaves its rows chosen.
void FrmKarnio::PoistaValitut(HWND list)
{
    if (!list) return;
    const ListViewSink& sink = SinkOf(list);
    std::vector<ChosenRow> chosen;
    std::vector<EntryId> entries;
    std::vector<std::string> names;
    for (const EntryId& entry : SelectedEntries(list, sink)) {
        const ListViewSink::Row& row = *sink.RowAt(sink.ItemOf(entry));
        chosen.push_back({entry, {list == lvwOhjelmat2_, row.name, row.command}});
        entries.push_back(entry);
        names.push_back(row.name);
    }
    if (chosen.empty()) return;
    if (chosen.size() > 1 &&
        Ask(LoadText(IDS_POISTETAANKO_MONTA, std::to_wstring(chosen.size())), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    SetAppCursor(AppCursor::Wait);
    Deletion deletion = PoistaMerkinnat(registry_, chosen);
    if (chosen.size() == 1 && !deletion.refused.empty() && deletion.refused.front().reason == Refusal::ZeroInside) {
        SetAppCursor(AppCursor::Default);
        const std::wstring question = LoadText(IDS_POISTETAANKO_ILMAN_KOPIOTA, TipLine(Wide(names.front())));
        if (Ask(question, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) return;
        SetAppCursor(AppCursor::Wait);
        deletion = PoistaMerkinnat(registry_, chosen, true);
    }
    const bool changed = !deletion.gone.empty() || !deletion.copies.empty();
    if (!deletion.copies.empty()) {
        UndoStep step;
        for (PoistettuMerkinta& copy : deletion.copies) step.names.push_back(NameOf({copy.source, copy.aliavain}, entries, names));
        step.copies = std::move(deletion.copies);
        poistetut_.push_back(std::move(step));
    }
    // A delete that took nothing leaves the lists as the user saw them, its rows chosen.
    if (changed) {
        Choice next;
        next.list = list;
        if (deletion.gone.empty()) {
            next.entries = entries;
        } else {
            next.entries = EntriesAround(list, sink, deletion.gone);
            next.firstOnly = next.scroll = next.focus = next.tip = true;
        }
        Rebuild(next);
    }
    SetAppCursor(AppCursor::Default);

    if (chosen.size() == 1 && !deletion.refused.empty()) {
        ShowError(RefusalText(deletion.refused.front(), TipLine(Wide(names.front()))));
    } else if (!deletion.refused.empty()) {
        std::vector<std::wstring> lines;
        for (const Refusal& refusal : deletion.refused) lines.push_back(Named(NameOf(refusal.entry, entries, names), RefusalLine(refusal)));
        ShowError(Problems(IDS_EI_VOITU_POISTAA, lines));
    }
}

// Ctrl+Z: the latest delete not yet undone comes back, byte for byte, its rows
// chosen. A copy that cannot be made again waits at the bottom of the stack.
void FrmKarnio::Kumoa()
{
    if (poistetut_.empty()) return;
    SetAppCursor(AppCursor::Wait);
    const std::size_t count = poistetut_.back().copies.size();
    const Restoration restoration = PalautaUusin(registry_, poistetut_);
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

    if (count == 1 && !restoration.problems.empty()) {
        const Restoration::Problem& problem = restoration.problems.front();
        const std::wstring name = TipLine(Wide(problem.name));
        ShowError(problem.status == kErrorAlreadyExists ? LoadText(IDS_PALAUTUS_ESTETTY, name)
                  : problem.status == kErrorSuccess     ? LoadText(IDS_OIKEUDET_EI_PALAUTUNEET)
                                                        : LoadText(IDS_PALAUTUS_EI_ONNISTU, name, std::to_wstring(problem.status)));
    } else if (!restoration.problems.empty()) {
        std::vector<std::wstring> lines;
        for (const Restoration::Problem& problem : restoration.problems) {
            const std::wstring reason = problem.status == kErrorAlreadyExists ? LoadText(IDS_SYY_ON_JO)
                                        : problem.status == kErrorSuccess     ? LoadText(IDS_SYY_OIKEUDET)
                                                                              : LoadText(IDS_SYY_KOPIO_SAILYY, std::to_wstring(problem.status));
            lines.push_back(Named(problem.name, reason));
        }
        ShowError(Problems(IDS_EI_VOITU_PALAUTTAA, lines));
    }
}

// Ctrl+C: each chosen row's tip, whole, in list order, an empty line between them.
void FrmKarnio::Kopioi(HWND list)
{
    if (!list) return;
    std::wstring text;
    for (int item = -1; (item = ListView_GetNextItem(list, item, LVNI_SELECTED)) >= 0;)
        text += (text.empty() ? L"" : L"\r\n\r\n") + TipTextOf(list, item, true);
    if (text.empty()) return;
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

std::vector<int> FrmKarnio::LeftoverItems(HWND list)
{
    std::vector<int> grey;
    for (int item = 0, count = ListView_GetItemCount(list); item < count; ++item) {
        const ListViewSink::Row* row = SinkOf(list).RowAt(item);
        // A grey row whose program may still be installed is left for the user to choose.
        if (row && row->leftover.kind != Leftover::None && !row->leftover.stillInstalled) grey.push_back(item);
    }
    return grey;
}

// "Valitse jäänteet": every grey row of the list, the first focused and in view.
void FrmKarnio::ValitseJaanteet(HWND list)
{
    if (!list) return;
    const std::vector<int> grey = LeftoverItems(list);
    if (grey.empty()) return;
    SelectAlone(list, grey);
    Remember(list);
    SetFocus(list);
    ListView_EnsureVisible(list, grey.front(), FALSE);
}

// Ctrl+F: the Find dialog, holding the text last looked for.
void FrmKarnio::Etsi()
{
    if (!etsi_) etsi_ = std::make_unique<FrmEtsi>([this](const std::wstring& text) { EtsiTeksti(text); });
    etsi_->Show(hwnd_, etsittava_);
}

// F3: the last search again, without the dialog; the dialog where there was none.
void FrmKarnio::EtsiSeuraava()
{
    if (etsittava_.empty())
        Etsi();
    else
        EtsiTeksti(etsittava_);
}

HWND FrmKarnio::EtsiDialog() const { return etsi_ ? etsi_->Hwnd() : nullptr; }

// The next row, in the ring of both lists, whose name, key or command holds the
// text, after the focused row of the list the user last worked in (while Find is
// open, the list of the last row found): chosen alone, focused and in view, with
// the keyboard's tip. Only the rows as listed are searched; nothing is read.
void FrmKarnio::EtsiTeksti(const std::wstring& text)
{
    etsittava_ = text;
    const HWND lists[] = {lvwOhjelmat_, lvwOhjelmat2_};
    std::vector<SearchedRow> rows[2];
    for (int i = 0; i < 2; ++i) {
        for (int item = 0, count = ListView_GetItemCount(lists[i]); item < count; ++item) {
            const ListViewSink::Row* row = SinkOf(lists[i]).RowAt(item);
            rows[i].push_back(row ? SearchedRow{row->text, Wide(row->key), Wide(row->command)} : SearchedRow{});
        }
    }
    const HWND dialog = EtsiDialog();
    const HWND from = dialog && etsiLista_ ? etsiLista_ : lastFocus_;
    const int focused = from ? ListView_GetNextItem(from, -1, LVNI_FOCUSED) : -1;
    const std::optional<RowPlace> after = focused >= 0 ? std::optional<RowPlace>({from == lvwOhjelmat2_, focused}) : std::nullopt;
    const std::optional<RowPlace> found = FindRow(rows, after, text);
    if (!found) {
        MessageBoxW(dialog ? dialog : hwnd_, LoadText(IDS_EI_LOYTYNYT, text).c_str(), LoadText(IDS_KARNIO).c_str(),
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    HWND list = lists[found->list];
    SelectAlone(list, {found->item});
    Remember(list);
    etsiLista_ = lastFocus_ = list;
    // The keyboard stays in Find while it is open.
    if (!dialog) SetFocus(list);
    ListView_EnsureVisible(list, found->item, FALSE);
    UpdateWindow(list);
    ShowKeyboardTip(list, found->item);
    if (dialog) {
        // The row and its tip stay in sight.
        RECT row = {}, tip = {};
        ListView_GetItemRect(list, found->item, &row, LVIR_BOUNDS);
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&row), 2);
        if (IsWindowVisible(KeyboardTip())) GetWindowRect(KeyboardTip(), &tip);
        etsi_->KeepClearOf(row, tip);
    }
}

// Shown with the default cursor: an hourglass over a window waiting for the user would lie.
void FrmKarnio::ShowError(const std::wstring& prompt)
{
    MessageBoxW(hwnd_, prompt.c_str(), LoadText(IDS_VIRHE).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

int FrmKarnio::Ask(const std::wstring& prompt, UINT buttonsAndIcon)
{
    return MessageBoxW(hwnd_, prompt.c_str(), LoadText(IDS_KARNIO).c_str(), buttonsAndIcon);
}

}  // namespace karnio
