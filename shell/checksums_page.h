// The Checksums page of a file's Properties: the shell extension that adds it
// for the selected files, and the page itself, which hashes them with
// vmview's checking session on threads of the DLL.
#pragma once

#include "shell/com_object.h"

#include "gui/logic/check_session.h"
#include "gui/system/posting_services.h"

#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace shell {

class ChecksumsPage {
public:
    explicit ChecksumsPage(std::vector<std::wstring> files);
    ~ChecksumsPage();
    ChecksumsPage(const ChecksumsPage&) = delete;
    ChecksumsPage& operator=(const ChecksumsPage&) = delete;

    static INT_PTR CALLBACK DialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND page);
    void OnCommand(WORD id, WORD code);
    void OnNoticeLink(const wchar_t* id);
    void StartHashing();
    void CheckClipboard();
    void Show(const app::Changes& changes);
    void ShowProgress();
    void MakeVerdictFont();
    void DrawVerdict(const DRAWITEMSTRUCT& item);

    ModuleReference module_;
    std::vector<std::wstring> files_;
    app::Settings settings_;
    HWND page_ = nullptr;
    std::unique_ptr<app::PostingServices> services_;
    std::unique_ptr<app::CheckSession> session_;
    DWORD clipboardSequence_ = 0;
    HFONT verdictFont_ = nullptr;
};

class ChecksumsPageExtension final : public ComObject<ChecksumsPageExtension, IShellExtInit, IShellPropSheetExt> {
public:
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY type) override;
    HRESULT STDMETHODCALLTYPE AddPages(LPFNSVADDPROPSHEETPAGE add, LPARAM parameter) override;
    HRESULT STDMETHODCALLTYPE ReplacePage(EXPPS page, LPFNSVADDPROPSHEETPAGE replace, LPARAM parameter) override;

private:
    std::vector<std::wstring> files_;
};

}  // namespace shell
