// Reference counting and interface lookup for the DLL's COM objects. Each
// object holds a module reference for its life; none throws across a COM
// method.
#pragma once

#include "shell/module.h"

#include <unknwn.h>

#include <atomic>
#include <memory>
#include <new>
#include <utility>

namespace shell {

template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
        } else {
            static_cast<void>((Matches<Interfaces>(iid, out) || ...));
        }
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) std::unique_ptr<Derived> last(static_cast<Derived*>(this));
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    template <typename Interface>
    bool Matches(REFIID iid, void** out) {
        if (iid != __uuidof(Interface)) return false;
        *out = static_cast<Interface*>(this);
        return true;
    }

    template <typename First, typename...>
    struct FirstOf {
        using Type = First;
    };
    using FirstInterface = typename FirstOf<Interfaces...>::Type;

    std::atomic<ULONG> references_{1};
    ModuleReference module_;
};

// A new object asked for one of its interfaces; its creation reference is
// given back either way.
template <typename Object, typename... Arguments>
HRESULT CreateComObject(REFIID iid, void** out, Arguments&&... arguments) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    Object* object = nullptr;
    try {
        object = std::make_unique<Object>(std::forward<Arguments>(arguments)...).release();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
}

}  // namespace shell
