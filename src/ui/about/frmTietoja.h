// The About window: icon, name, version and author line, and three links that
// hand the maker's addresses to the shell.
#pragma once

#include "ui/common/handles.h"

#include <windows.h>

namespace karnio {

class FrmTietoja {
public:
    enum ControlId {
        kIdCmdOK = IDOK,
        kIdPicKuvake = 2001,
        kIdLblOhjelmanNimi,
        kIdLblVersio,
        kIdLblTekija,
        kIdLblEmail,
        kIdPSormikursori,
        kIdFraKehysviiva,
        kIdLblOhjelmapaivitykset,
        kIdLblTiedotteet,
        kIdLblBullet0,
        kIdLblBullet1,
        kIdLblBullet2,
    };

    FrmTietoja() = default;
    FrmTietoja(const FrmTietoja&) = delete;
    FrmTietoja& operator=(const FrmTietoja&) = delete;

    // Loads the window and shows it modally over owner; returns once it is unloaded.
    void ShowModal(HWND owner);
    // Unloads the window without the OK button's cursor steps.
    void Unload();
    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void MakeDpiResources();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void FitLabels();
    RECT ChildRect(HWND control) const;
    void Form_Load();
    void CmdOK_Click();
    void Link_Click(int id);
    bool IsLink(HWND control) const;
    INT_PTR OnCtlColorStatic(HDC dc, HWND control);

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    UniqueFont font_, boldFont_, linkFont_;
    UniqueIcon icon_;
    UniqueCursor hand_;
    HCURSOR linkCursor_ = nullptr;  // the hand, once the load step has set it
};

}  // namespace karnio
