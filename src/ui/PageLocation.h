#pragma once
// Where a loaded page comes from. The script object goes only onto pages
// loaded from the working directory: a top document from anywhere else (a
// redirect, a link to the web, an error page) must not drive the machine.
#include <string>

// The local path of a page location: a file URL (file:///C:/x/index.html) or
// a plain path; empty for every other kind of address.
std::wstring PageLocationToPath(const std::wstring& location);

// True when the location names a file inside folder (or below it). The path
// is made absolute first, so ".." cannot climb out; case is ignored.
bool IsPageInFolder(const std::wstring& location, const std::wstring& folder);
