// Verimond's entry in Explorer's menu: "Verimond", with the commands that fit
// the selection beneath it. Windows 11 shows it in its first menu through
// the package; the classic verb names the same class as its handler.
#pragma once

#include "shell/com_object.h"

#include "gui/logic/explorer_menu.h"

#include <shobjidl.h>

#include <optional>

namespace shell {

class VerimondCommand final : public ComObject<VerimondCommand, IExplorerCommand> {
public:
    // The entry itself, or one of its commands.
    explicit VerimondCommand(std::optional<app::MenuCommand> command = std::nullopt);

    HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override;
    HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx* context) override;
    HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override;
    HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override;

private:
    std::optional<app::MenuCommand> command_;
};

}  // namespace shell
