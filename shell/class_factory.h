// The factory DllGetClassObject hands out for each of the DLL's classes.
#pragma once

#include "shell/com_object.h"

namespace shell {

template <typename Object>
class ClassFactory final : public ComObject<ClassFactory<Object>, IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out) *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateComObject<Object>(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

}  // namespace shell
