// The DLL's entry points: COM's class lookup and unload question, and
// registration for everyone (regsvr32) or for the current user
// (regsvr32 /n /i:user). Nothing runs at load time but keeping the instance.
#include "shell/checksums_page.h"
#include "shell/class_factory.h"
#include "shell/explorer_command.h"
#include "shell/module.h"

#include "gui/system/shell_registration.h"

#include <olectl.h>
#include <shlobj.h>

#include <string_view>

namespace {

bool SameClass(REFCLSID id, const wchar_t* text) {
    CLSID parsed{};
    return SUCCEEDED(CLSIDFromString(text, &parsed)) && IsEqualCLSID(id, parsed);
}

HRESULT Register(HKEY root, bool add) {
    try {
        const std::wstring extension = shell::ModulePath();
        const bool done = add ? app::WriteExplorerEntries(root, shell::ModuleFolder() + L"vmview.exe", extension)
                              : app::RemoveExplorerEntries(root);
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        return done ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        shell::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HRESULT __stdcall DllCanUnloadNow() { return shell::ModuleInUse() ? S_FALSE : S_OK; }

HRESULT __stdcall DllGetClassObject(REFCLSID id, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (SameClass(id, app::kPageClassId)) {
        return shell::CreateComObject<shell::ClassFactory<shell::ChecksumsPageExtension>>(iid, out);
    }
    if (SameClass(id, app::kCommandClassId)) {
        return shell::CreateComObject<shell::ClassFactory<shell::VerimondCommand>>(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT __stdcall DllRegisterServer() { return Register(HKEY_LOCAL_MACHINE, true); }

HRESULT __stdcall DllUnregisterServer() { return Register(HKEY_LOCAL_MACHINE, false); }

// regsvr32 /n /i:user registers for the current user alone; any other text,
// or none, for everyone.
HRESULT __stdcall DllInstall(BOOL install, const wchar_t* commandLine) {
    const bool user = commandLine && std::wstring_view(commandLine) == L"user";
    return Register(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, install != FALSE);
}

}  // extern "C"
