#pragma once
// Splitting the ActiveX controls off an extended dialog template.
//
// Dialog items whose class text is a class id ("{8856F961-...}") name an
// ActiveX control, which the dialog manager cannot create. The web view takes
// them off the template before CreateDialogIndirectParamW and creates each of
// them itself, in its own host window, while the dialog initialises. This
// keeps control creation, its failure and its error code in our hands, and
// lets a run without the browser control (the script page engine) simply
// leave them out.
#include <windows.h>

#include <cstddef>
#include <vector>

struct AxDialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {0, 0, 0, 0};  // dialog units
    int id = 0;
    CLSID clsid = {};
};

// Copies the template without its ActiveX items (appended to `items`).
// False when the data is not a well-formed extended template.
bool SplitActiveXItems(const void* data, size_t size, std::vector<BYTE>* dialog, std::vector<AxDialogItem>* items);
