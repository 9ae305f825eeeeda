// The Find dialog: a small modeless dialog in the style of Windows' own, whose
// "Etsi seuraava" hands its text to the main window.
#pragma once

#include "ui/common/handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace karnio {

class FrmEtsi {
public:
    enum ControlId { kIdCmdEtsiSeuraava = IDOK, kIdCmdPeruuta = IDCANCEL, kIdLblEtsittava = 3001, kIdTxtEtsittava };

    // findNext: what "Etsi seuraava" does with the text.
    explicit FrmEtsi(std::function<void(const std::wstring&)> findNext) : findNext_(std::move(findNext)) {}
    ~FrmEtsi();
    FrmEtsi(const FrmEtsi&) = delete;
    FrmEtsi& operator=(const FrmEtsi&) = delete;

    // Shows the dialog over owner (making it the first time), its edit box holding text, selected.
    void Show(HWND owner, const std::wstring& text);
    // Moves the dialog off a found row and its tip (screen coordinates; an empty
    // tip for none), as Notepad's Find moves off the text it found.
    void KeepClearOf(const RECT& row, const RECT& tip);
    // The dialog while it is open, else null.
    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void PlaceControls();
    void OnDpiChanged(int dpi, const RECT& suggested);
    std::wstring Text() const;

    std::function<void(const std::wstring&)> findNext_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    UniqueFont font_;
};

}  // namespace karnio
