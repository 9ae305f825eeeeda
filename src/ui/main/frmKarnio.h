// Karnio's main window: the programs list above, the hidden entries below, a
// menu bar and a right-button pop-up menu for acting on the chosen entries.
#pragma once

#include "catalogue/deleted_entry.h"
#include "catalogue/undo.h"
#include "catalogue/uninstall_list.h"
#include "registry/registry.h"
#include "ui/common/desktop_user.h"
#include "ui/common/handles.h"
#include "ui/main/info_tip.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace karnio {

class FrmEtsi;
class FrmTietoja;
class ListViewSink;

class FrmKarnio {
public:
    // perUser: whose per-user entries registry serves, when not simply Karnio's own.
    explicit FrmKarnio(Registry& registry, const PerUser* perUser = nullptr);
    ~FrmKarnio();
    FrmKarnio(const FrmKarnio&) = delete;
    FrmKarnio& operator=(const FrmKarnio&) = delete;

    // Creates the window, runs its load step and shows it.
    bool Create(int showCommand);
    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }

    // For the message loop: the shortcut keys, Del, Tab between the lists, the
    // mouse over the lists for their info tips and the keyboard for its tip.
    bool PreTranslateMessage(MSG& message);

    // Empties both lists and refills them from the Uninstall keys, keeping each
    // list's place and the remembered entry selected where it is still listed.
    void ListaaOhjelmat();

    HWND LvwOhjelmat() const { return lvwOhjelmat_; }
    HWND LvwOhjelmat2() const { return lvwOhjelmat2_; }
    HMENU MnuPopUp() const { return mnuPopUp_.get(); }
    const std::string& StrAvain() const { return strAvain_; }
    const std::string& StrKomento() const { return strKomento_; }
    UninstallSource Lahde() const { return lahde_; }
    // What Ctrl+Z can still bring back, the latest last.
    const std::vector<UndoStep>& Poistetut() const { return poistetut_; }
    // The info tip that shows a row's registry path, one for each list.
    HWND InfoTipOf(HWND list) const { return tips_.Of(list); }
    // The tip that shows the keyboard's row.
    HWND KeyboardTip() const { return tips_.KeyboardTip(); }
    // The Find dialog while it is open, else null.
    HWND EtsiDialog() const;

private:
    // What is chosen once the lists are rebuilt.
    struct Choice {
        HWND list = nullptr;           // where to look; both lists when null
        std::vector<EntryId> entries;  // selected, the first of them focused and remembered
        bool firstOnly = false;        // only the first of them still listed: the row after a delete
        bool scroll = false;           // scrolled into view, only as far as needed
        bool focus = false;            // the list takes the keyboard focus
        bool tip = false;              // the keyboard's tip shows the focused row
        bool forget = true;            // none listed: nothing remembered
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void MakeDpiResources();
    void SetColumnWidths();
    LRESULT OnGetDpiScaledSize(int dpi, SIZE& size);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void Form_Load();
    void Rebuild(const Choice& choice);
    void Forget();
    void Remember(HWND list);
    bool OnListKey(MSG& message);
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    // The row pop-up and the Muokkaa menu (row_menus.cpp).
    struct RowCommands {
        bool poista = false, aja = false, kopioi = false, rekisterieditori = false, kansio = false;
    };
    RowCommands CommandsFor(HWND list);
    bool OnContextMenu(HWND source, int x, int y);
    void OnInitMenuPopup(HMENU menu);
    void AvaaRekisterieditorissa(HWND list);
    void AvaaKansio(HWND list);
    std::wstring InstallLocationOf(HWND list, int item);
    void OnInfoTipText(NMTTDISPINFOW& info);
    std::wstring TipTextOf(HWND list, int item, bool whole);
    void ShowKeyboardTip(HWND list, int item);

    void Lvw_ItemClick(HWND list, int item);
    void MPaivita_Click();
    void MLopeta_Click();
    void MPoistaRekisterista_Click();
    void MAjaKarnioohjelma_Click();
    void MReadmeOhje_Click();
    void MOhjelmapaivitykset_Click();
    void MPalautettaOhjelmasta_Click();
    void MVirheilmoitukset_Click();
    void MTietojaOhjelmasta_Click();
    // The Muokkaa menu's commands (edit_commands.cpp).
    void PoistaValitut(HWND list);
    void Kumoa();
    void Kopioi(HWND list);
    void ValitseJaanteet(HWND list);
    void Etsi();
    void EtsiSeuraava();
    void EtsiTeksti(const std::wstring& text);
    // The rows "Valitse jäänteet" chooses in the list.
    std::vector<int> LeftoverItems(HWND list);
    void ShowError(const std::wstring& prompt);
    // A question titled "Karnio", answered with the button's id.
    int Ask(const std::wstring& prompt, UINT buttonsAndIcon);

    ListViewSink& SinkOf(HWND list);

    Registry& registry_;
    const DesktopUser* desktopUser_;  // the desktop's user, when the per-user entries are theirs
    std::string karnioAccount_;       // the per-user entries' owner, when the desktop is another user's beyond reach
    HWND hwnd_ = nullptr;
    HWND lvwOhjelmat_ = nullptr;
    HWND lvwOhjelmat2_ = nullptr;
    HWND fraKehysviiva_ = nullptr;
    InfoTips tips_;
    HWND lastFocus_ = nullptr;  // the list that last had the keyboard focus: the one the Muokkaa menu acts on
    int dpi_ = 96;
    int columnTwips_[2][2] = {{2500, 4300}, {2500, 4300}};  // of each list, kept across DPI changes
    UniqueFont font_;
    UniqueIcon bigIcon_, smallIcon_;
    UniqueMenu mnuPopUp_;  // taken off the menu bar, so the window no longer owns it
    UniqueAccelerators accelerators_;
    std::unique_ptr<ListViewSink> ohjelmat_;
    std::unique_ptr<ListViewSink> piilotetut_;
    FrmTietoja* tietoja_ = nullptr;  // while the About window is shown
    std::unique_ptr<FrmEtsi> etsi_;   // Find, made the first time it is asked for
    std::wstring etsittava_;          // the text last looked for
    HWND etsiLista_ = nullptr;        // the list of the last row found
    std::string strAvain_;
    std::string strKomento_;
    UninstallSource komentoLahde_ = UninstallSource::Machine;  // where strKomento_ was listed from
    UninstallSource lahde_ = UninstallSource::Machine;         // where strAvain_ was listed from
    HWND listaAvain_ = nullptr;                                // the list strAvain_ was chosen in
    std::vector<UndoStep> poistetut_;                          // what Ctrl+Z brings back, in memory only
    DWORD rebuildDone_ = 0;   // when the last rebuild ended: a Del or Ctrl+Z pressed before it does nothing
    int keyItem_ = -1;        // the focused row when a key went down on a list; -2: the keyboard's tip is shown
    POINT cursor_ = {-1, -1}; // where the mouse was when the keyboard's tip showed
};

}  // namespace karnio
