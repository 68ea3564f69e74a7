#pragma once
// One move-only owner per handle kind. The empty value is part of the type
// (null for most handles, INVALID_HANDLE_VALUE for files and snapshots).
#include <windows.h>
#include <wininet.h>
#include <objbase.h>
#include <utility>

namespace wi {

template <typename T, typename Close, Close close, T empty = T()>
class unique_any {
public:
    unique_any() = default;
    explicit unique_any(T value) : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != empty; }
    T release() {
        T v = value_;
        value_ = empty;
        return v;
    }
    void reset(T value = empty) {
        if (value_ != empty) close(value_);
        value_ = value;
    }
    // Address for out-parameters; releases what is held first.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = empty;
};

inline void CloseHandleIfValid(HANDLE h) { ::CloseHandle(h); }

using unique_handle = unique_any<HANDLE, decltype(&CloseHandleIfValid), CloseHandleIfValid>;

// INVALID_HANDLE_VALUE is not a constant expression, so files get their own type.
class unique_hfile {
public:
    unique_hfile() = default;
    explicit unique_hfile(HANDLE h) : h_(h) {}
    unique_hfile(const unique_hfile&) = delete;
    unique_hfile& operator=(const unique_hfile&) = delete;
    unique_hfile(unique_hfile&& o) noexcept : h_(o.release()) {}
    unique_hfile& operator=(unique_hfile&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~unique_hfile() { reset(); }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

inline void RegCloseKeyVoid(HKEY k) { ::RegCloseKey(k); }
using unique_hkey = unique_any<HKEY, decltype(&RegCloseKeyVoid), RegCloseKeyVoid>;

inline void InternetCloseHandleVoid(HINTERNET h) { ::InternetCloseHandle(h); }
using unique_hinternet =
    unique_any<HINTERNET, decltype(&InternetCloseHandleVoid), InternetCloseHandleVoid>;

inline void UnmapViewVoid(void* p) { ::UnmapViewOfFile(p); }
using unique_mapview = unique_any<void*, decltype(&UnmapViewVoid), UnmapViewVoid>;

inline void FreeLibraryVoid(HMODULE m) { ::FreeLibrary(m); }
using unique_hmodule = unique_any<HMODULE, decltype(&FreeLibraryVoid), FreeLibraryVoid>;

inline void DeleteObjectVoid(HGDIOBJ o) { ::DeleteObject(o); }
using unique_hgdiobj = unique_any<HGDIOBJ, decltype(&DeleteObjectVoid), DeleteObjectVoid>;

inline void DeleteDCVoid(HDC dc) { ::DeleteDC(dc); }
using unique_hdc = unique_any<HDC, decltype(&DeleteDCVoid), DeleteDCVoid>;

inline void LocalFreeVoid(HLOCAL p) { ::LocalFree(p); }
using unique_hlocal = unique_any<HLOCAL, decltype(&LocalFreeVoid), LocalFreeVoid>;

inline void SysFreeStringVoid(BSTR s) { ::SysFreeString(s); }
using unique_bstr = unique_any<BSTR, decltype(&SysFreeStringVoid), SysFreeStringVoid>;

inline void CoTaskMemFreeVoid(void* p) { ::CoTaskMemFree(p); }
using unique_cotaskmem = unique_any<void*, decltype(&CoTaskMemFreeVoid), CoTaskMemFreeVoid>;

inline void UnhookWindowsHookExVoid(HHOOK h) { ::UnhookWindowsHookEx(h); }
using unique_hhook = unique_any<HHOOK, decltype(&UnhookWindowsHookExVoid), UnhookWindowsHookExVoid>;

// COM smart pointer: AddRef on copy, Release on reset; put() for out-params.
template <typename T>
class com_ptr {
public:
    com_ptr() = default;
    com_ptr(T* p) : p_(p) { if (p_) p_->AddRef(); }  // NOLINT: implicit by design
    com_ptr(const com_ptr& o) : com_ptr(o.p_) {}
    com_ptr(com_ptr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    com_ptr& operator=(com_ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~com_ptr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    // Takes over a reference the caller already owns.
    void attach(T* p) {
        reset();
        p_ = p;
    }
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    template <typename U>
    HRESULT query(com_ptr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out.put_void());
    }
    template <typename U>
    HRESULT query(REFIID iid, com_ptr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.put_void());
    }

private:
    T* p_ = nullptr;
};

// A window's device context (GetDC), given back with ReleaseDC.
class unique_window_dc {
public:
    explicit unique_window_dc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    ~unique_window_dc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace wi
