#include "shell/explorer_command.h"

#include "shell/module.h"
#include "shell/selection.h"
#include "shell/vmview_launch.h"

#include "gui/system/shell.h"
#include "gui/system/shell_registration.h"

#include <shlwapi.h>

#include <new>
#include <vector>

namespace shell {
namespace {

const app::MenuCommandText& TextOf(app::MenuCommand command) {
    for (const app::MenuCommandText& text : app::kMenuCommands) {
        if (text.command == command) return text;
    }
    return app::kMenuCommands.front();
}

// The commands beneath the entry, in the menu's order.
class CommandEnumerator final : public ComObject<CommandEnumerator, IEnumExplorerCommand> {
public:
    explicit CommandEnumerator(std::size_t next = 0) : next_(next) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, IExplorerCommand** commands, ULONG* fetched) override {
        if (!commands || (wanted != 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        while (given < wanted && next_ < app::kMenuCommands.size()) {
            const HRESULT made = CreateComObject<VerimondCommand>(IID_PPV_ARGS(&commands[given]),
                                                                  app::kMenuCommands[next_].command);
            if (FAILED(made)) break;
            ++given;
            ++next_;
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = app::kMenuCommands.size() - next_;
        next_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumExplorerCommand** copy) override {
        return CreateComObject<CommandEnumerator>(IID_PPV_ARGS(copy), next_);
    }

private:
    std::size_t next_;
};

}  // namespace

VerimondCommand::VerimondCommand(std::optional<app::MenuCommand> command) : command_(command) {}

HRESULT VerimondCommand::GetTitle(IShellItemArray*, LPWSTR* name) {
    if (!name) return E_POINTER;
    return SHStrDupW(command_ ? TextOf(*command_).title : app::kMenuTitle, name);
}

HRESULT VerimondCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
    if (!icon) return E_POINTER;
    *icon = nullptr;
    try {
        return SHStrDupW((ModuleFolder() + L"vmview.exe,0").c_str(), icon);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT VerimondCommand::GetToolTip(IShellItemArray*, LPWSTR* tip) {
    if (!tip) return E_POINTER;
    *tip = nullptr;
    return command_ ? SHStrDupW(TextOf(*command_).tip, tip) : E_NOTIMPL;
}

HRESULT VerimondCommand::GetCanonicalName(GUID* name) {
    if (!name) return E_POINTER;
    if (command_) return E_NOTIMPL;
    return CLSIDFromString(app::kCommandClassId, name);
}

HRESULT VerimondCommand::GetState(IShellItemArray* array, BOOL okToBeSlow, EXPCMDSTATE* state) {
    if (!state) return E_POINTER;
    *state = ECS_HIDDEN;
    try {
        const std::vector<app::SelectedItem> items = ItemsOfArray(array);
        if (!command_) {
            *state = items.empty() ? ECS_HIDDEN : ECS_ENABLED;
            return S_OK;
        }
        // Reading folders waits for the call Explorer makes off its own thread.
        if (app::CommandNeedsReading(*command_) && !okToBeSlow) return E_PENDING;
        const std::wstring clipboard =
            *command_ == app::MenuCommand::CompareClipboard ? app::ReadClipboardText(nullptr) : std::wstring();
        const bool fits = app::CommandFits(*command_, items, clipboard, [](const std::wstring& path) {
            return !IsNotOnDisk(path) && app::HasSignatureToCheck(path);
        });
        *state = fits ? ECS_ENABLED : ECS_HIDDEN;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT VerimondCommand::Invoke(IShellItemArray* array, IBindCtx*) {
    try {
        const std::vector<app::SelectedItem> items = ItemsOfArray(array);
        if (items.empty()) return E_INVALIDARG;
        return StartVmview(app::VmviewArguments(command_.value_or(app::MenuCommand::Calculate), items));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT VerimondCommand::GetFlags(EXPCMDFLAGS* flags) {
    if (!flags) return E_POINTER;
    *flags = command_ ? ECF_DEFAULT : ECF_HASSUBCOMMANDS;
    return S_OK;
}

HRESULT VerimondCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (!commands) return E_POINTER;
    *commands = nullptr;
    if (command_) return E_NOTIMPL;
    return CreateComObject<CommandEnumerator>(IID_PPV_ARGS(commands));
}

}  // namespace shell
