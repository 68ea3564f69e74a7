#pragma once
// The program's message box: optional replacement button labels applied by a
// CBT hook when the box first becomes active. In silent mode no box is shown
// and the default button is the answer.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Control id (IDOK, IDYES, IDNO ...) and its new label.
using ButtonLabels = std::vector<std::pair<int, std::wstring>>;

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags,
                   const ButtonLabels& labels = ButtonLabels());

// The button a box of these flags answers when Enter is pressed at once.
int DefaultButtonId(UINT flags);
