#include "ui/ax/DialogTemplate.h"

#include <objbase.h>

#include <cstring>
#include <string>

namespace {

// Bounds-checked reader over the template bytes; offsets are from its start.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    size_t Offset() const { return offset_; }
    bool Seek(size_t offset) {
        if (offset > size_) return false;
        offset_ = offset;
        return true;
    }
    bool AlignDword() { return Seek((offset_ + 3) & ~static_cast<size_t>(3)); }
    template <typename T>
    bool Read(T* value) {
        if (size_ - offset_ < sizeof(T)) return false;
        std::memcpy(value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return true;
    }
    bool Skip(size_t bytes) {
        if (size_ - offset_ < bytes) return false;
        offset_ += bytes;
        return true;
    }
    // A NUL-ended UTF-16 text.
    bool ReadText(std::wstring* text) {
        for (;;) {
            WORD c;
            if (!Read(&c)) return false;
            if (c == 0) return true;
            if (text) text->push_back(static_cast<wchar_t>(c));
        }
    }
    // "sz_Or_Ord": nothing (0), an ordinal (0xFFFF, value) or a text.
    bool ReadNameOrOrdinal(std::wstring* text) {
        WORD first;
        if (!Read(&first)) return false;
        if (first == 0) return true;
        if (first == 0xFFFF) return Skip(sizeof(WORD));
        if (text) text->push_back(static_cast<wchar_t>(first));
        return ReadText(text);
    }

private:
    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
};

constexpr size_t kItemCountOffset = 16;  // dlgVer, signature, helpID, exStyle, style

}  // namespace

bool SplitActiveXItems(const void* data, size_t size, std::vector<BYTE>* dialog, std::vector<AxDialogItem>* items) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    Reader reader(bytes, size);
    WORD version, signature, count;
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    if (!reader.Read(&version) || !reader.Read(&signature) || version != 1 || signature != 0xFFFF) return false;
    if (!reader.Read(&helpId) || !reader.Read(&exStyle) || !reader.Read(&style) || !reader.Read(&count) ||
        !reader.Read(&x) || !reader.Read(&y) || !reader.Read(&cx) || !reader.Read(&cy)) {
        return false;
    }
    if (!reader.ReadNameOrOrdinal(nullptr) || !reader.ReadNameOrOrdinal(nullptr) || !reader.ReadText(nullptr)) {
        return false;
    }
    if (style & DS_SETFONT) {
        WORD pointSize, weight;
        BYTE italic, charset;
        if (!reader.Read(&pointSize) || !reader.Read(&weight) || !reader.Read(&italic) || !reader.Read(&charset) ||
            !reader.ReadText(nullptr)) {
            return false;
        }
    }
    std::vector<BYTE> out(bytes, bytes + reader.Offset());
    std::vector<AxDialogItem> found;
    WORD kept = 0;
    for (WORD i = 0; i < count; ++i) {
        if (!reader.AlignDword()) return false;
        const size_t start = reader.Offset();
        DWORD itemHelpId, itemExStyle, itemStyle, itemId;
        short ix, iy, icx, icy;
        std::wstring className;
        WORD extra;
        if (!reader.Read(&itemHelpId) || !reader.Read(&itemExStyle) || !reader.Read(&itemStyle) ||
            !reader.Read(&ix) || !reader.Read(&iy) || !reader.Read(&icx) || !reader.Read(&icy) ||
            !reader.Read(&itemId) || !reader.ReadNameOrOrdinal(&className) || !reader.ReadNameOrOrdinal(nullptr) ||
            !reader.Read(&extra) || !reader.Skip(extra)) {
            return false;
        }
        CLSID clsid;
        if (!className.empty() && className[0] == L'{' &&
            SUCCEEDED(::CLSIDFromString(const_cast<wchar_t*>(className.c_str()), &clsid))) {
            AxDialogItem item;
            item.style = itemStyle;
            item.exStyle = itemExStyle;
            item.rect = {ix, iy, ix + icx, iy + icy};
            item.id = static_cast<int>(itemId);
            item.clsid = clsid;
            found.push_back(item);
            continue;
        }
        while (out.size() % 4) out.push_back(0);
        out.insert(out.end(), bytes + start, bytes + reader.Offset());
        ++kept;
    }
    std::memcpy(&out[kItemCountOffset], &kept, sizeof(kept));
    dialog->swap(out);
    items->insert(items->end(), found.begin(), found.end());
    return true;
}
