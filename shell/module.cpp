#include "shell/module.h"

#include "engine/text.h"

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

std::wstring ModulePath() { return vms::ModuleFileName(instance_); }

std::wstring ModuleFolder() {
    const std::wstring path = ModulePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace shell
