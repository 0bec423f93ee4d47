// Starting vmview, beside this DLL, with paths: a window already open takes
// them through its single-instance hand-off.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shell {

HRESULT StartVmview(const std::vector<std::wstring>& arguments);

}  // namespace shell
