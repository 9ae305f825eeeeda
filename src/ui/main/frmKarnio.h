// Karnio's main window: the programs list above, the hidden entries below, a
// menu bar and a right-button pop-up menu for acting on one entry.
#pragma once

#include "catalogue/deleted_entry.h"
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

class FrmTietoja;
class ListViewSink;

class FrmKarnio {
public:
    // desktopUser: the user of the desktop when that is not Karnio's, whose per-user entries registry serves.
    explicit FrmKarnio(Registry& registry, const DesktopUser* desktopUser = nullptr);
    ~FrmKarnio();
    FrmKarnio(const FrmKarnio&) = delete;
    FrmKarnio& operator=(const FrmKarnio&) = delete;

    // Creates the window, runs its load step and shows it.
    bool Create(int showCommand);
    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }

    // For the message loop: the F1, F5 and Ctrl+Z keys, Tab between the lists, and the
    // mouse over the lists for their info tips.
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
    // Deleted entries that Ctrl+Z can still bring back, the latest last.
    const std::vector<PoistettuMerkinta>& Poistetut() const { return poistetut_; }
    // The info tip that shows a row's registry path, one for each list.
    HWND InfoTipOf(HWND list) const { return tips_.Of(list); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void MakeDpiResources();
    void SetColumnWidths();
    LRESULT OnGetDpiScaledSize(int dpi, SIZE& size);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void Form_Load();
    // What is shown selected (and remembered) after a rebuild: nothing, the
    // remembered entry in its own list, or the entry of source and key.
    enum class Selection { Start, None, Remembered, Entry };
    void Rebuild(Selection selection, bool keepPlace = true, UninstallSource source = UninstallSource::Machine,
                 const std::string& key = std::string());
    void Forget();
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    bool OnContextMenu(HWND source, int x, int y);
    void OnInfoTipText(NMTTDISPINFOW& info);

    void Lvw_ItemClick(HWND list, int item);
    void MPaivita_Click();
    void MLopeta_Click();
    void MPoistaRekisterista_Click();
    void MAjaKarnioohjelma_Click();
    void Kumoa();
    void ShowError(const std::wstring& prompt);
    void MReadmeOhje_Click();
    void MOhjelmapaivitykset_Click();
    void MPalautettaOhjelmasta_Click();
    void MVirheilmoitukset_Click();
    void MTietojaOhjelmasta_Click();

    ListViewSink& SinkOf(HWND list);

    Registry& registry_;
    const DesktopUser* desktopUser_;
    HWND hwnd_ = nullptr;
    HWND lvwOhjelmat_ = nullptr;
    HWND lvwOhjelmat2_ = nullptr;
    HWND fraKehysviiva_ = nullptr;
    InfoTips tips_;
    HWND lastFocus_ = nullptr;
    int dpi_ = 96;
    int columnTwips_[2][2] = {{2500, 4300}, {2500, 4300}};  // of each list, kept across DPI changes
    UniqueFont font_;
    UniqueIcon bigIcon_, smallIcon_;
    UniqueMenu mnuPopUp_;  // taken off the menu bar, so the window no longer owns it
    UniqueAccelerators accelerators_;
    std::unique_ptr<ListViewSink> ohjelmat_;
    std::unique_ptr<ListViewSink> piilotetut_;
    FrmTietoja* tietoja_ = nullptr;  // while the About window is shown
    std::string strAvain_;
    std::string strKomento_;
    UninstallSource komentoLahde_ = UninstallSource::Machine;  // where strKomento_ was listed from
    UninstallSource lahde_ = UninstallSource::Machine;  // where strAvain_ was listed from
    HWND listaAvain_ = nullptr;                         // the list strAvain_ was chosen in
    std::vector<PoistettuMerkinta> poistetut_;          // what Ctrl+Z brings back, in memory only
};

}  // namespace karnio
