#pragma once
// The drawing surface of a layered window update: a 32-bit bottom-up DIB
// section of the given size, cleared to transparent black.
#include <windows.h>

#include <cstring>

#include "platform/Handles.h"

inline wi::unique_hgdiobj CreateClearSection(HDC dc, int width, int height, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0) return wi::unique_hgdiobj();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    wi::unique_hgdiobj section(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (!section || !*bits) return wi::unique_hgdiobj();
    std::memset(*bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    return section;
}
