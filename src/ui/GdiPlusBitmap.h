#pragma once
// A GDI+ bitmap owner, and its variant that loads a picture from a module's
// resources. GDI+ must be started (GdiplusStartup) before any load.
#include <windows.h>
#include <gdiplus.h>

class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    // The virtual slots, in this order: destructor, LoadFromHandle, the three
    // resource loads (which fail here; the resource class loads), LoadFromFile.
    virtual ~CGdiPlusBitmap();
    virtual bool LoadFromHandle(HBITMAP bitmap);
    virtual bool Load(UINT id, UINT type, HMODULE module);
    virtual bool Load(LPCWSTR name, LPCWSTR type, HMODULE module);
    virtual bool Load(UINT id, LPCWSTR type, HMODULE module);
    virtual bool LoadFromFile(LPCWSTR path);

    Gdiplus::Bitmap* Bitmap() const { return bitmap_; }
    operator Gdiplus::Bitmap*() const { return bitmap_; }  // NOLINT: used like the bitmap itself

protected:
    void Empty();

    Gdiplus::Bitmap* bitmap_ = nullptr;
};

class CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    CGdiPlusBitmapResource() = default;
    ~CGdiPlusBitmapResource() override;

    using CGdiPlusBitmap::Load;
    // Numeric id and type: the name form with both as integer resource names.
    bool Load(UINT id, UINT type, HMODULE module) override;
    // Copies the resource into a movable global block that lives as long as
    // the bitmap made from it (GDI+ reads a stream's bytes lazily).
    bool Load(LPCWSTR name, LPCWSTR type, HMODULE module) override;
    bool Load(UINT id, LPCWSTR type, HMODULE module) override;

private:
    void FreeBuffer();

    HGLOBAL buffer_ = nullptr;  // locked while held
};
