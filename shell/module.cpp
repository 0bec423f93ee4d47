#include "shell/module.h"

#include <atomic>

namespace shell {
namespace {

HINSTANCE instance_ = nullptr;
std::atomic<long> references_{0};

}  // namespace

HINSTANCE ModuleInstance() { return instance_; }

void SetModuleInstance(HINSTANCE instance) { instance_ = instance; }

bool ModuleInUse() { return references_.load() != 0; }

void LockModule(bool lock) {
    if (lock) {
        ++references_;
    } else {
        --references_;
    }
}

ModuleReference::ModuleReference() { ++references_; }

ModuleReference::~ModuleReference() { --references_; }

ModuleReference::ModuleReference(const ModuleReference&) { ++references_; }

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(instance_, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ModuleFolder() {
    const std::wstring path = ModulePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace shell
