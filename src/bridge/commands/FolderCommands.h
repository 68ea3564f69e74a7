#pragma once
// The folder commands: create a folder with its parents (22), is a folder
// empty (47), delete a folder with its content (16).
#include <string>

namespace bridge {

// The folder that command 16 deletes, from the page's text (after the QA path
// substitution): "/" becomes "\" and one final "\" is dropped. False when
// nothing would be left, or only a drive ("C:/" would become "C:", which names
// the current folder of that drive: a folder the page never named).
bool FolderToDelete(const std::wstring& folder, std::wstring* target);

}  // namespace bridge
