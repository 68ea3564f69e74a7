#include "ui/GdiPlusBitmap.h"

#include <objbase.h>

#include <cstring>

#include "platform/Handles.h"

CGdiPlusBitmap::~CGdiPlusBitmap() { Empty(); }

void CGdiPlusBitmap::Empty() {
    delete bitmap_;
    bitmap_ = nullptr;
}

bool CGdiPlusBitmap::LoadFromHandle(HBITMAP bitmap) {
    Empty();
    bitmap_ = Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr);
    return bitmap_ && bitmap_->GetLastStatus() == Gdiplus::Ok;
}

bool CGdiPlusBitmap::Load(UINT, UINT, HMODULE) { return false; }
bool CGdiPlusBitmap::Load(LPCWSTR, LPCWSTR, HMODULE) { return false; }
bool CGdiPlusBitmap::Load(UINT, LPCWSTR, HMODULE) { return false; }

bool CGdiPlusBitmap::LoadFromFile(LPCWSTR path) {
    Empty();
    bitmap_ = Gdiplus::Bitmap::FromFile(path);
    if (bitmap_ && bitmap_->GetLastStatus() == Gdiplus::Ok) return true;
    Empty();
    return false;
}

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() {
    Empty();  // the bitmap reads from the buffer, so it goes first
    FreeBuffer();
}

void CGdiPlusBitmapResource::FreeBuffer() {
    if (!buffer_) return;
    ::GlobalUnlock(buffer_);
    ::GlobalFree(buffer_);
    buffer_ = nullptr;
}

bool CGdiPlusBitmapResource::Load(UINT id, UINT type, HMODULE module) {
    return Load(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type), module);
}

bool CGdiPlusBitmapResource::Load(UINT id, LPCWSTR type, HMODULE module) {
    return Load(MAKEINTRESOURCEW(id), type, module);
}

bool CGdiPlusBitmapResource::Load(LPCWSTR name, LPCWSTR type, HMODULE module) {
    Empty();
    FreeBuffer();

    HRSRC found = ::FindResourceW(module, name, type);
    if (!found) return false;
    DWORD size = ::SizeofResource(module, found);
    if (size == 0) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return false;

    buffer_ = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!buffer_) return false;
    void* copy = ::GlobalLock(buffer_);
    if (!copy) {
        ::GlobalFree(buffer_);
        buffer_ = nullptr;
        return false;
    }
    std::memcpy(copy, bytes, size);

    wi::com_ptr<IStream> stream;
    if (SUCCEEDED(::CreateStreamOnHGlobal(buffer_, FALSE, stream.put()))) {
        bitmap_ = Gdiplus::Bitmap::FromStream(stream.get());
    }
    stream.reset();  // the bitmap holds its own reference while it needs one
    if (bitmap_ && bitmap_->GetLastStatus() == Gdiplus::Ok) return true;
    Empty();
    FreeBuffer();
    return false;
}
