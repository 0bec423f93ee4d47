// The file-system items Explorer hands the extension: from the data object of
// a property sheet, and from the item array of a menu command. Items that
// aren't files or folders on disk are left out.
#pragma once

#include "gui/logic/explorer_menu.h"

#include <objidl.h>
#include <shobjidl.h>

#include <vector>

namespace shell {

std::vector<app::SelectedItem> ItemsOfDataObject(IDataObject* data);
std::vector<app::SelectedItem> ItemsOfArray(IShellItemArray* items);

// True when the file lives in the cloud or offline storage: reading it would
// bring it down, which only the user's own click may start.
bool IsNotOnDisk(const std::wstring& path);

}  // namespace shell
