// Karnio's main window: the programs list above, the hidden entries below, a
// menu bar and a right-button pop-up menu for acting on one entry.
#pragma once

#include "app/handles.h"
#include "registry/registry.h"

#include <windows.h>

#include <memory>
#include <string>

namespace karnio {

class FrmTietoja;
class ListViewSink;

class FrmKarnio {
public:
    explicit FrmKarnio(Registry& registry);
    ~FrmKarnio();
    FrmKarnio(const FrmKarnio&) = delete;
    FrmKarnio& operator=(const FrmKarnio&) = delete;

    // Creates the window, runs its load step and shows it.
    bool Create(int showCommand);
    HWND Hwnd() const { return hwnd_; }

    // For the message loop: the F1 and F5 keys, and Tab between the lists.
    bool PreTranslateMessage(MSG& message);

    // Empties both lists and refills them from the Uninstall key.
    void ListaaOhjelmat();

    HWND LvwOhjelmat() const { return lvwOhjelmat_; }
    HWND LvwOhjelmat2() const { return lvwOhjelmat2_; }
    HMENU MnuPopUp() const { return mnuPopUp_.get(); }
    const std::string& StrAvain() const { return strAvain_; }
    const std::string& StrKomento() const { return strKomento_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void Form_Load();
    void OnCommand(int id);
    LRESULT OnNotify(const NMHDR& header);
    void OnContextMenu(HWND source, int x, int y);

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

    ListViewSink& SinkOf(HWND list);

    Registry& registry_;
    HWND hwnd_ = nullptr;
    HWND lvwOhjelmat_ = nullptr;
    HWND lvwOhjelmat2_ = nullptr;
    HWND fraKehysviiva_ = nullptr;
    HWND lastFocus_ = nullptr;
    int dpi_ = 96;
    UniqueFont font_;
    UniqueMenu mnuPopUp_;  // taken off the menu bar, so the window no longer owns it
    UniqueAccelerators accelerators_;
    std::unique_ptr<ListViewSink> ohjelmat_;
    std::unique_ptr<ListViewSink> piilotetut_;
    FrmTietoja* tietoja_ = nullptr;  // while the About window is shown
    std::string strAvain_;
    std::string strKomento_;
};

}  // namespace karnio
