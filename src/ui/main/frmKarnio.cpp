#include "ui/main/frmKarnio.h"

#include "catalogue/uninstall_list.h"
#include "ui/about/frmTietoja.h"
#include "ui/main/frmEtsi.h"
#include "ui/common/common_controls.h"
#include "ui/common/cursor.h"
#include "ui/common/layout.h"
#include "ui/common/shell.h"
#include "ui/common/text.h"
#include "ui/common/window_menu.h"
#include "ui/main/launcher.h"
#include "ui/main/info_tip.h"
#include "ui/main/list_place.h"
#include "ui/main/list_view.h"
#include "ui/main/listview_sink.h"
#include "ui/resources/resource.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>


namespace karnio {

namespace {

constexpr wchar_t kWindowClass[] = L"frmKarnio";

constexpr int kClientWidthTwips = 7950;
constexpr int kClientHeightTwips = 6915;
constexpr TwipsRect kLvwOhjelmat2Twips = {120, 5160, 7695, 1575};
constexpr TwipsRect kLvwOhjelmatTwips = {120, 240, 7695, 4815};
constexpr TwipsRect kFraKehysviivaTwips = {-120, 0, 12000, 35};

enum ControlId { kIdLvwOhjelmat = 1001, kIdLvwOhjelmat2 = 1002, kIdFraKehysviiva = 1003 };

// The menu bar's menu that holds the command, or -1.
int MenuHolding(HMENU bar, UINT command)
{
    for (int position = 0; position < GetMenuItemCount(bar); ++position)
        if (GetMenuState(GetSubMenu(bar, position), command, MF_BYCOMMAND) != static_cast<UINT>(-1)) return position;
    return -1;
}

}  // namespace

FrmKarnio::FrmKarnio(Registry& registry, const PerUser* perUser)
    : registry_(registry),
      desktopUser_(perUser && perUser->desktopUser ? &*perUser->desktopUser : nullptr),
      karnioAccount_(perUser ? perUser->karnioAccount : std::string())
{
}

FrmKarnio::~FrmKarnio()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FrmKarnio::Create(int showCommand)
{
    if (!LoadCommonControls()) return false;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    if (!GetClassInfoExW(instance, kWindowClass, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KARNIO));
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KARNIO), IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                            LR_SHARED));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&windowClass)) return false;
    }

    // A first guess for the frame; the window takes its monitor's DPI as soon as it exists.
    dpi_ = ScreenDpi();
    HMENU menuBar = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_KARNIO));
    accelerators_.reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_KARNIO)));
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
    AdjustWindowRectEx(&frame, style, TRUE, 0);
    const std::wstring caption = LoadText(IDS_KARNIO);
    if (!CreateWindowExW(0, kWindowClass, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, menuBar, instance, this)) {
        DestroyMenu(menuBar);
        return false;
    }
    Form_Load();
    SetClientSize(hwnd_, kClientWidthTwips, kClientHeightTwips, dpi_);
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    SetFocus(lvwOhjelmat_);
    return true;
}

void FrmKarnio::CreateControls()
{
    dpi_ = DpiOf(hwnd_);
    lvwOhjelmat2_ = CreateListView(hwnd_, kLvwOhjelmat2Twips, kIdLvwOhjelmat2, dpi_, IDS_SARAKE_PIILOTETTU);
    lvwOhjelmat_ = CreateListView(hwnd_, kLvwOhjelmatTwips, kIdLvwOhjelmat, dpi_, IDS_SARAKE_OHJELMA);
    fraKehysviiva_ = CreateEtchedLine(hwnd_, kFraKehysviivaTwips, kIdFraKehysviiva, dpi_);
    // Tab order: the programs list first, then the hidden list.
    SetWindowPos(lvwOhjelmat_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    tips_.Create(hwnd_, lvwOhjelmat_, lvwOhjelmat2_);
    MakeDpiResources();
    ohjelmat_ = std::make_unique<ListViewSink>(lvwOhjelmat_);
    piilotetut_ = std::make_unique<ListViewSink>(lvwOhjelmat2_);
    lastFocus_ = lvwOhjelmat_;
}

// Fonts and icons for the current DPI; the ones they replace are freed once no control uses them.
void FrmKarnio::MakeDpiResources()
{
    UniqueFont font = CreateUiFont(dpi_);
    for (HWND control : {lvwOhjelmat_, lvwOhjelmat2_, fraKehysviiva_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // The tips speak in the lists' font at the window's DPI; one that shows was cut in the old font.
    tips_.HideAll();
    tips_.SetFont(font.get());
    font_ = std::move(font);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto icon = [&](int size) {
        const int pixels = SystemMetricForDpi(size, dpi_);
        return UniqueIcon(static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_KARNIO), IMAGE_ICON, pixels, pixels, LR_DEFAULTCOLOR)));
    };
    UniqueIcon big = icon(SM_CXICON), small = icon(SM_CXSMICON);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void FrmKarnio::SetColumnWidths()
{
    for (int list = 0; list < 2; ++list)
        for (int column = 0; column < 2; ++column)
            ListView_SetColumnWidth(list == 0 ? lvwOhjelmat_ : lvwOhjelmat2_, column,
                                    TwipsToPixels(columnTwips_[list][column], dpi_));
}

LRESULT FrmKarnio::OnGetDpiScaledSize(int dpi, SIZE& size)
{
    // Windows would scale the whole frame; the client area must come out exact in twips.
    size = WindowSizeForClient(hwnd_, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi), dpi);
    return TRUE;
}

void FrmKarnio::OnDpiChanged(int dpi, const RECT& suggested)
{
    // A width the user dragged is kept as that many twips; an untouched one stays exact.
    for (int list = 0; list < 2; ++list) {
        for (int column = 0; column < 2; ++column) {
            const int pixels = ListView_GetColumnWidth(list == 0 ? lvwOhjelmat_ : lvwOhjelmat2_, column);
            if (pixels != TwipsToPixels(columnTwips_[list][column], dpi_))
                columnTwips_[list][column] = MulDiv(pixels, 1440, dpi_);
        }
    }
    dpi_ = dpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceChild(lvwOhjelmat2_, kLvwOhjelmat2Twips, dpi_);
    PlaceChild(lvwOhjelmat_, kLvwOhjelmatTwips, dpi_);
    PlaceChild(fraKehysviiva_, kFraKehysviivaTwips, dpi_);
    MakeDpiResources();
    SetColumnWidths();
    SetClientSize(hwnd_, kClientWidthTwips, kClientHeightTwips, dpi_);
}

void FrmKarnio::Form_Load()
{
    // The pop-up menu is the one that runs a program.
    HMENU menuBar = GetMenu(hwnd_);
    const int popUp = MenuHolding(menuBar, IDM_AJA);
    mnuPopUp_.reset(GetSubMenu(menuBar, popUp));
    RemoveMenu(menuBar, popUp, MF_BYPOSITION);
    DrawMenuBar(hwnd_);

    ohjelmat_->SetSorted(true);
    piilotetut_->SetSorted(true);
    SetColumnWidths();
    Choice start;
    start.forget = false;
    Rebuild(start);
}

void FrmKarnio::ListaaOhjelmat()
{
    // The chosen rows stay chosen, the remembered one focused.
    Choice keep;
    keep.list = listaAvain_;
    if (listaAvain_) {
        keep.entries = {{lahde_, strAvain_}};
        for (EntryId& entry : SelectedEntries(listaAvain_, SinkOf(listaAvain_)))
            if (!(entry == keep.entries.front())) keep.entries.push_back(std::move(entry));
    }
    Rebuild(keep);
}

void FrmKarnio::Rebuild(const Choice& choice)
{
    const HWND lists[] = {lvwOhjelmat_, lvwOhjelmat2_};
    ListPlace places[2];
    for (int i = 0; i < 2; ++i) {
        SendMessageW(lists[i], WM_SETREDRAW, FALSE, 0);
        places[i] = PlaceOf(lists[i], SinkOf(lists[i]));
    }
    karnio::ListaaOhjelmat(registry_, *ohjelmat_, *piilotetut_);
    MarkLeftovers(registry_, *ohjelmat_, *piilotetut_, desktopUser_);
    ohjelmat_->Show();
    piilotetut_->Show();

    // A row shown selected is always an entry the next command acts on.
    HWND chosenList = nullptr;
    std::vector<int> items;
    for (HWND list : lists) {
        if (chosenList || (choice.list && list != choice.list)) continue;
        for (const EntryId& entry : choice.entries) {
            const int item = SinkOf(list).ItemOf(entry);
            if (item >= 0) items.push_back(item);
            if (item >= 0 && choice.firstOnly) break;
        }
        if (!items.empty()) chosenList = list;
    }
    if (chosenList) {
        SelectAlone(chosenList, items);
        Remember(chosenList);
        if (choice.focus) SetFocus(chosenList);
    } else if (choice.forget) {
        Forget();
    }
    // After the selection: Wine's list view scrolls to a row that gains the focus, Windows' does not.
    for (int i = 0; i < 2; ++i) RestorePlace(lists[i], SinkOf(lists[i]), places[i]);
    if (chosenList && choice.scroll) ListView_EnsureVisible(chosenList, items.front(), FALSE);
    for (HWND list : lists) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
    tips_.HideAll();
    keyItem_ = -2;  // the keys that led here changed no row the keyboard's tip should show
    rebuildDone_ = GetTickCount();
    if (chosenList && choice.tip) {
        UpdateWindow(chosenList);
        ShowKeyboardTip(chosenList, items.front());
    }
}

void FrmKarnio::Forget()
{
    strAvain_.clear();
    strKomento_.clear();
    listaAvain_ = nullptr;
}

// The entry the commands act on: the focused row's if it is selected, otherwise the first selected row's.
void FrmKarnio::Remember(HWND list)
{
    const int item = ChosenItem(list);
    if (item >= 0) Lvw_ItemClick(list, item);
}

LRESULT CALLBACK FrmKarnio::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FrmKarnio*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        EnableNonClientScaling(window);
    }
    auto* self = reinterpret_cast<FrmKarnio*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into USER32; the action is simply abandoned.
        SetAppCursor(AppCursor::Default);
        return 0;
    }
}

LRESULT FrmKarnio::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_COMMAND:
        OnCommand(GET_WM_COMMAND_ID(wParam, lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        if (OnContextMenu(reinterpret_cast<HWND>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) return 0;
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        // Common controls learn of a new theme only from their parent.
        for (HWND list : {lvwOhjelmat_, lvwOhjelmat2_}) {
            SendMessageW(list, message, wParam, lParam);
            InvalidateRect(list, nullptr, TRUE);
        }
        break;
    case WM_SETCURSOR:
        if (HonourAppCursor()) return TRUE;
        break;
    case WM_DRAWITEM:
        return DrawEtchedLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case kWmGetDpiScaledSize:
        return OnGetDpiScaledSize(static_cast<int>(wParam), *reinterpret_cast<SIZE*>(lParam));
    case kWmDpiChanged:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
        // No tip while another window is in front; after it, or a menu, none until the pointer moves.
        tips_.HideAll();
        break;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(lastFocus_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void FrmKarnio::OnCommand(int id)
{
    switch (id) {
    case IDM_PAIVITA: MPaivita_Click(); break;
    case IDM_LOPETA: MLopeta_Click(); break;
    case IDM_KUMOA: Kumoa(); break;
    case IDM_POISTA: MPoistaRekisterista_Click(); break;
    case IDM_POISTA_VALITUT: PoistaValitut(lastFocus_); break;
    case IDM_KOPIOI: Kopioi(lastFocus_); break;
    case IDM_VALITSE_JAANTEET: ValitseJaanteet(lastFocus_); break;
    case IDM_ETSI: Etsi(); break;
    case IDM_ETSI_SEURAAVA: EtsiSeuraava(); break;
    case IDM_REKISTERIEDITORI: AvaaRekisterieditorissa(lastFocus_); break;
    case IDM_KANSIO: AvaaKansio(lastFocus_); break;
    case IDM_AJA: MAjaKarnioohjelma_Click(); break;
    case IDM_README: MReadmeOhje_Click(); break;
    case IDM_OHJELMAPAIVITYKSET: MOhjelmapaivitykset_Click(); break;
    case IDM_PALAUTETTA: MPalautettaOhjelmasta_Click(); break;
    case IDM_VIRHEILMOITUKSET: MVirheilmoitukset_Click(); break;
    case IDM_TIETOJA: MTietojaOhjelmasta_Click(); break;
    }
}

LRESULT FrmKarnio::OnNotify(NMHDR& header)
{
    if (header.code == TTN_GETDISPINFOW && tips_.ListOf(header.hwndFrom)) {
        OnInfoTipText(reinterpret_cast<NMTTDISPINFOW&>(header));
        return 0;
    }
    if (header.hwndFrom != lvwOhjelmat_ && header.hwndFrom != lvwOhjelmat2_) return 0;
    if (header.code == NM_CUSTOMDRAW) return DrawRow(header.hwndFrom, SinkOf(header.hwndFrom), reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    if (header.code == LVN_ENDSCROLL) {
        tips_.HideAll();
        return 0;
    }
    HWND list = header.hwndFrom;
    if (header.code == NM_SETFOCUS) {
        lastFocus_ = list;
        // A list without a focused row shows no focus at all: its first row takes it, not chosen.
        if (ListView_GetNextItem(list, -1, LVNI_FOCUSED) < 0 && ListView_GetItemCount(list) > 0)
            ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (header.code == NM_CLICK) {
        Remember(list);
    } else if (header.code == LVN_ITEMCHANGED) {
        // Choosing rows with the keyboard or the right button counts as a click on them.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & (LVIS_SELECTED | LVIS_FOCUSED)))
            Remember(list);
        // One list holds the selection: rows chosen here unchoose those of the other list.
        HWND other = list == lvwOhjelmat_ ? lvwOhjelmat2_ : lvwOhjelmat_;
        if ((change.uChanged & LVIF_STATE) && (change.uNewState & ~change.uOldState & LVIS_SELECTED) &&
            ListView_GetSelectedCount(other) > 0)
            ListView_SetItemState(other, -1, 0, LVIS_SELECTED);
    }
    return 0;
}

ListViewSink& FrmKarnio::SinkOf(HWND list) { return list == lvwOhjelmat_ ? *ohjelmat_ : *piilotetut_; }

void FrmKarnio::Lvw_ItemClick(HWND list, int item)
{
    const ListViewSink::Row* row = SinkOf(list).RowAt(item);
    if (!row) return;
    if (!row->command.empty()) {
        EnableMenuItem(mnuPopUp_.get(), IDM_AJA, MF_BYCOMMAND | MF_ENABLED);
        strKomento_ = row->command;
        komentoLahde_ = row->source;
    } else {
        EnableMenuItem(mnuPopUp_.get(), IDM_AJA, MF_BYCOMMAND | MF_GRAYED);
    }
    EnableMenuItem(mnuPopUp_.get(), IDM_POISTA, MF_BYCOMMAND | MF_ENABLED);
    strAvain_ = row->key;
    lahde_ = row->source;
    listaAvain_ = list;
}

void FrmKarnio::MPaivita_Click()
{
    SetAppCursor(AppCursor::Wait);
    ListaaOhjelmat();
    SetAppCursor(AppCursor::Default);
}

void FrmKarnio::MLopeta_Click()
{
    SetAppCursor(AppCursor::Wait);
    if (tietoja_) tietoja_->Unload();
    DestroyWindow(hwnd_);
}

// The pop-up's "&Poista": the chosen rows of the list the remembered entry was chosen in.
void FrmKarnio::MPoistaRekisterista_Click() { PoistaValitut(listaAvain_); }

void FrmKarnio::MAjaKarnioohjelma_Click()
{
    SetAppCursor(AppCursor::Wait);
    const Launch launch = KaynnistaKomento(Wide(strKomento_), ContextOf(komentoLahde_, desktopUser_));
    SetAppCursor(AppCursor::Default);
    if (launch.noDesktopShell)
        ShowError(LoadText(IDS_VAIN_OMILLA));
    else if (launch.missingDrive)
        ShowError(LoadText(IDS_ASEMA_PUUTTUU, std::wstring(1, launch.missingDrive)));
    else if (launch.error != 0)
        ShowError(launch.error == kErrorNumberFileNotFound ? LoadText(IDS_TIEDOSTOA_EI_LOYDY)
                                                           : LoadText(IDS_AJO_EI_ONNISTU, std::to_wstring(launch.error)));
}

void FrmKarnio::MReadmeOhje_Click() { ShellOpen(hwnd_, LoadText(IDS_README)); }

void FrmKarnio::MOhjelmapaivitykset_Click()
{
    ShellOpen(hwnd_, WebAddress(IDS_PAIVITYSSIVU));
}

void FrmKarnio::MPalautettaOhjelmasta_Click()
{
    ShellOpen(hwnd_, MailAddress(IDS_PALAUTE_AIHE));
}

void FrmKarnio::MVirheilmoitukset_Click()
{
    ShellOpen(hwnd_, MailAddress(IDS_VIRHEILMOITUS_AIHE));
}

void FrmKarnio::MTietojaOhjelmasta_Click()
{
    SetAppCursor(AppCursor::Wait);
    FrmTietoja tietoja;
    tietoja_ = &tietoja;
    tietoja.ShowModal(hwnd_);
    tietoja_ = nullptr;
    SetAppCursor(AppCursor::Default);
}

}  // namespace karnio
