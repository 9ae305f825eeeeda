// One owner for every Windows handle kind: a small unique_ptr-like template in
// the spirit of WIL's unique_any.
#pragma once

#include <windows.h>

#include <utility>

namespace karnio {

template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    Handle release() { return std::exchange(handle_, Invalid); }
    void reset(Handle handle = Invalid)
    {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Invalid;
};

using UniqueMenu = UniqueHandle<HMENU, DestroyMenu>;
using UniqueIcon = UniqueHandle<HICON, DestroyIcon>;
using UniqueCursor = UniqueHandle<HCURSOR, DestroyCursor>;
using UniqueFont = UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteObject>;
using UniqueAccelerators = UniqueHandle<HACCEL, DestroyAcceleratorTable>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;

// A DC from GetDC, released with its window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace karnio
