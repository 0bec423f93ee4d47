// The DLL's own state: its instance, and the count of objects, pages and
// threads alive in it, which DllCanUnloadNow reports.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

// True while any reference is held.
bool ModuleInUse();

// IClassFactory::LockServer: a reference held or given back by the host.
void LockModule(bool lock);

// One reference on the module for the life of the object that holds it.
class ModuleReference {
public:
    ModuleReference();
    ~ModuleReference();
    ModuleReference(const ModuleReference&);
    ModuleReference& operator=(const ModuleReference&) = default;
};

// The full path of this DLL, and its folder with a trailing separator.
std::wstring ModulePath();
std::wstring ModuleFolder();

}  // namespace shell
