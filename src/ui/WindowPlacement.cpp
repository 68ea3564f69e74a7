#include "ui/WindowPlacement.h"

#include <limits>

namespace {
// Page-given sizes can be anything: the sums must not overflow.
LONG Clamp(long long value) {
    if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(value);
}
}  // namespace

RECT ComputeAppRect(const RECT* workArea, int width, int height) {
    RECT rect;
    if (workArea) {
        const long long freeHeight = static_cast<long long>(workArea->bottom - workArea->top) - height;
        const long long freeWidth = static_cast<long long>(workArea->right - workArea->left) - width;
        rect.top = static_cast<LONG>((freeHeight > 0 ? freeHeight / 2 : 0) + workArea->top);
        rect.left = static_cast<LONG>((freeWidth > 0 ? freeWidth / 2 : 0) + workArea->left);
    } else {
        rect.left = 100;
        rect.top = 100;
    }
    rect.right = Clamp(static_cast<long long>(rect.left) + width);
    rect.bottom = Clamp(static_cast<long long>(rect.top) + height);
    return rect;
}

std::vector<BYTE> FadeAlphas(bool fadeOut) {
    std::vector<BYTE> alphas;
    const int target = fadeOut ? 0 : 255;
    const int step = fadeOut ? -20 : 20;
    for (int alpha = fadeOut ? 255 : 20; fadeOut ? alpha > target : alpha < target; alpha += step) {
        alphas.push_back(static_cast<BYTE>(alpha));
    }
    alphas.push_back(static_cast<BYTE>(target));
    return alphas;
}
