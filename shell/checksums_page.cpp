#include "shell/checksums_page.h"

#include "shell/module_thread.h"
#include "shell/resource.h"
#include "shell/selection.h"
#include "shell/vmview_launch.h"

#include "gui/logic/colour_scheme.h"
#include "gui/logic/list_presentation.h"
#include "gui/logic/row_commands.h"
#include "gui/system/colour_preference.h"
#include "gui/system/posted_messages.h"
#include "gui/system/session_messages.h"
#include "gui/system/shell.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <numeric>

namespace shell {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kMaxExpectedChars = 1024;
constexpr double kReadableContrast = 4.5;  // WCAG AA for text

std::wstring ControlText(HWND page, int id) {
    const HWND control = GetDlgItem(page, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<std::size_t> AllPositions(std::size_t count) {
    std::vector<std::size_t> positions(count);
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    return positions;
}

// The comctl32 6 context the page and its controls are made in; Explorer's
// own may be older. Made on first use, kept for the life of the DLL.
HANDLE PageActivationContext() {
    struct Context {
        HANDLE handle = INVALID_HANDLE_VALUE;
        Context() {
            ACTCTXW description{};
            description.cbSize = sizeof description;
            description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
            description.hModule = ModuleInstance();
            description.lpResourceName = MAKEINTRESOURCEW(2);
            handle = CreateActCtxW(&description);
        }
        ~Context() {
            if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
        }
        Context(const Context&) = delete;
        Context& operator=(const Context&) = delete;
    };
    static const Context context;
    return context.handle;
}

UINT CALLBACK PageCallback(HWND, UINT message, PROPSHEETPAGEW* sheetPage) {
    // The page owns its state from creation until the sheet lets it go.
    if (message == PSPCB_RELEASE) std::unique_ptr<ChecksumsPage> last(reinterpret_cast<ChecksumsPage*>(sheetPage->lParam));
    return 1;
}

}  // namespace

ChecksumsPage::ChecksumsPage(std::vector<std::wstring> files) : files_(std::move(files)) {}

ChecksumsPage::~ChecksumsPage() {
    if (services_) services_->Stop();
    if (verdictFont_) DeleteObject(verdictFont_);
}

INT_PTR CALLBACK ChecksumsPage::DialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<ChecksumsPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
            SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            self->OnInit(page);
            return TRUE;
        }
        auto* self = reinterpret_cast<ChecksumsPage*>(GetWindowLongPtrW(page, DWLP_USER));
        return self ? self->OnMessage(message, wParam, lParam) : FALSE;
    } catch (...) {
        // Short of memory: the page stays as it was rather than take Explorer down.
        return FALSE;
    }
}

INT_PTR ChecksumsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A page whose start ran out of memory stays blank.
    if (!session_) return FALSE;
    if (message == app::WM_APP_PROGRESS) {
        services_->ProgressNoticeTaken();
        Show(session_->OnProgressTick());
        return TRUE;
    }
    app::FinishedCommands finished;
    if (const std::optional<app::Changes> changes = app::DeliverPostedEvent(*session_, message, lParam, finished)) {
        Show(*changes);
        return TRUE;
    }
    if (message == app::PostedMessage<app::ListUpdateDone>()) {
        app::TakePayload<app::ListUpdateDone>(lParam);
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_PG_NOTICE && (header->code == NM_CLICK || header->code == NM_RETURN)) {
            OnNoticeLink(reinterpret_cast<const NMLINK*>(lParam)->item.szID);
            return TRUE;
        }
        if (header->code == PSN_SETACTIVE) CheckClipboard();
        return FALSE;
    }
    case WM_DRAWITEM:
        if (wParam != IDC_PG_VERDICT) return FALSE;
        DrawVerdict(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DPICHANGED_AFTERPARENT:
    case WM_SETTINGCHANGE:
        MakeVerdictFont();
        InvalidateRect(page_, nullptr, TRUE);
        return FALSE;
    case WM_DESTROY:
        // No more results come to a window that is going.
        services_->Stop();
        return FALSE;
    case WM_NCDESTROY:
        // Checks that finished meanwhile posted results no one will take.
        app::DropPostedPayloads(page_);
        return FALSE;
    default:
        return FALSE;
    }
}

void ChecksumsPage::OnInit(HWND page) {
    page_ = page;
    settings_ = app::LoadSettings();
    services_ = std::make_unique<app::PostingServices>(page_, settings_.jobs, StartModuleThread);
    session_ = std::make_unique<app::CheckSession>(*services_, settings_);
    SendDlgItemMessageW(page_, IDC_PG_PROGRESS, PBM_SETRANGE32, 0, kProgressSteps);
    SendDlgItemMessageW(page_, IDC_PG_EXPECTED, EM_SETLIMITTEXT, kMaxExpectedChars, 0);
    MakeVerdictFont();
    // Room for the longest label ("Modified:", "Signature:") before the values.
    const UINT tabStop = 44;
    SendDlgItemMessageW(page_, IDC_PG_DETAILS, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    const bool online = std::ranges::any_of(files_, IsNotOnDisk);
    if (online) {
        // Reading would download them: that waits for the user's click.
        SetDlgItemTextW(page_, IDC_PG_DETAILS,
                        files_.size() == 1 ? L"This file is stored online. Hash it to download it."
                                           : L"Some of these files are stored online. Hash them to download them.");
        ShowProgress();
    } else {
        StartHashing();
    }
    CheckClipboard();
}

void ChecksumsPage::StartHashing() {
    const app::AddOutcome added = session_->AddPaths(files_, app::CheckSession::KeyFiles::Hash);
    session_->StartDetailsChecks(AllPositions(session_->Rows().size()));
    Show(added.changes);
}

void ChecksumsPage::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_PG_CANCEL:
        Show(session_->CancelAll());
        break;
    case IDC_PG_HASH:
        if (session_->Rows().empty()) {
            StartHashing();
        } else {
            Show(session_->QueueSelectedAlgorithms());
        }
        break;
    case IDC_PG_PASTE:
        if (const std::wstring text = app::ReadClipboardText(page_); !text.empty()) {
            SetDlgItemTextW(page_, IDC_PG_EXPECTED, text.c_str());
        }
        break;
    case IDC_PG_EXPECTED:
        if (code == EN_CHANGE) Show(session_->SetExpectedText(ControlText(page_, IDC_PG_EXPECTED)));
        break;
    case IDC_PG_COPY: {
        const auto& rows = session_->Rows();
        if (!rows.empty()) {
            app::SetClipboardText(page_, app::CopyAllHashesText(rows, AllPositions(rows.size()), settings_.uppercase));
        }
        break;
    }
    case IDC_PG_OPEN:
        StartVmview(files_);
        break;
    default:
        break;
    }
}

void ChecksumsPage::OnNoticeLink(const wchar_t* id) {
    const std::optional<app::NoticeAction> action = app::ActionOfLink(session_->CurrentNotice(), id);
    if (!action) return;
    const app::NoticeOutcome outcome = session_->ChooseNoticeAction(*action);
    Show(outcome.changes);
    switch (outcome.followUp) {
    case app::FollowUp::None:
        break;
    case app::FollowUp::SetExpectedText:
        SetDlgItemTextW(page_, IDC_PG_EXPECTED, outcome.subject.c_str());
        break;
    default:
        // Lists, keys and signers are vmview's to handle, with its dialogs.
        StartVmview(files_);
        break;
    }
}

void ChecksumsPage::CheckClipboard() {
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence == clipboardSequence_) return;
    clipboardSequence_ = sequence;
    Show(session_->OfferClipboard(app::ReadClipboardText(page_), ControlText(page_, IDC_PG_EXPECTED)));
}

void ChecksumsPage::Show(const app::Changes& changes) {
    const auto& rows = session_->Rows();
    if (changes.cells || changes.details || changes.rowCount || !changes.rows.empty()) {
        std::wstring text;
        for (std::size_t position = 0; position < rows.size(); ++position) {
            if (position > 0) text += L"\r\n\r\n";
            text += app::DetailsText(rows, std::span(&position, 1), settings_.uppercase);
        }
        if (!rows.empty()) SetDlgItemTextW(page_, IDC_PG_DETAILS, text.c_str());
    }
    if (changes.verdict) {
        SetDlgItemTextW(page_, IDC_PG_VERDICT, session_->CurrentVerdict().text.c_str());
        InvalidateRect(GetDlgItem(page_, IDC_PG_VERDICT), nullptr, TRUE);
    }
    if (changes.notice) {
        const app::Notice& notice = session_->CurrentNotice();
        const HWND link = GetDlgItem(page_, IDC_PG_NOTICE);
        SetWindowTextW(link, notice.text.c_str());
        ShowWindow(link, notice.kind == app::NoticeKind::None ? SW_HIDE : SW_SHOW);
    }
    ShowProgress();
}

void ChecksumsPage::ShowProgress() {
    const app::ProgressSnapshot progress = services_->Progress();
    const auto& rows = session_->Rows();
    const auto rowIn = [&](std::initializer_list<app::RowStatus> states) {
        return std::ranges::any_of(rows, [&](const app::FileRow& row) {
            return std::ranges::find(states, row.status) != states.end();
        });
    };
    // A result may be on its way after the worker has finished: the rows say so.
    const bool running = progress.busy || rowIn({app::RowStatus::Waiting, app::RowStatus::Hashing});
    const int position = !running                ? (rows.empty() ? 0 : kProgressSteps)
                         : progress.total == 0   ? 0
                                                 : static_cast<int>(progress.done * kProgressSteps / progress.total);
    SendDlgItemMessageW(page_, IDC_PG_PROGRESS, PBM_SETPOS, position, 0);
    ShowWindow(GetDlgItem(page_, IDC_PG_CANCEL), running ? SW_SHOW : SW_HIDE);
    // Hash starts what was never started or was cancelled.
    const bool offerHash = !running && (rows.empty() || rowIn({app::RowStatus::Cancelled}));
    ShowWindow(GetDlgItem(page_, IDC_PG_HASH), offerHash ? SW_SHOW : SW_HIDE);
}

void ChecksumsPage::MakeVerdictFont() {
    // Bold, from the page's own font, which the sheet scales for the monitor's DPI.
    LOGFONTW font{};
    const auto pageFont = reinterpret_cast<HFONT>(SendMessageW(page_, WM_GETFONT, 0, 0));
    if (!pageFont || !GetObjectW(pageFont, sizeof font, &font)) return;
    font.lfWeight = FW_BOLD;
    const HFONT made = CreateFontIndirectW(&font);
    if (!made) return;
    if (verdictFont_) DeleteObject(verdictFont_);
    verdictFont_ = made;
}

void ChecksumsPage::DrawVerdict(const DRAWITEMSTRUCT& item) {
    // On the page's own background, which a theme may draw as a texture.
    RECT area = item.rcItem;
    DrawThemeParentBackground(item.hwndItem, item.hDC, &area);
    const app::Verdict& verdict = session_->CurrentVerdict();
    // Green and red only where they read well: never in high contrast, nor on
    // a background the user's colours made dark. The words carry the meaning
    // either way.
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    const app::Palette& palette = app::PaletteFor(app::ColourScheme::Light);
    const COLORREF styled = verdict.style == app::VerdictStyle::Match      ? palette.matchText
                            : verdict.style == app::VerdictStyle::Mismatch ? palette.mismatchText
                                                                            : colour;
    if (!app::IsHighContrastOn() && app::ContrastRatio(styled, GetSysColor(COLOR_BTNFACE)) >= kReadableContrast) {
        colour = styled;
    }
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, colour);
    const HGDIOBJ previous = SelectObject(item.hDC, verdictFont_ ? verdictFont_ : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(item.hDC, verdict.text.c_str(), static_cast<int>(verdict.text.size()), &area,
              DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(item.hDC, previous);
}

HRESULT ChecksumsPageExtension::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    try {
        files_.clear();
        for (app::SelectedItem& item : ItemsOfDataObject(data)) {
            if (!item.folder) files_.push_back(std::move(item.path));
        }
        return files_.empty() ? E_FAIL : S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ChecksumsPageExtension::AddPages(LPFNSVADDPROPSHEETPAGE add, LPARAM parameter) {
    if (!add || files_.empty()) return E_INVALIDARG;
    try {
        auto state = std::make_unique<ChecksumsPage>(files_);
        const HANDLE context = PageActivationContext();
        ULONG_PTR cookie = 0;
        const bool activated = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        PROPSHEETPAGEW sheetPage{};
        sheetPage.dwSize = sizeof sheetPage;
        sheetPage.dwFlags = PSP_USECALLBACK | (activated ? PSP_USEFUSIONCONTEXT : 0);
        sheetPage.hInstance = ModuleInstance();
        sheetPage.pszTemplate = MAKEINTRESOURCEW(IDD_CHECKSUMS_PAGE);
        sheetPage.pfnDlgProc = ChecksumsPage::DialogProc;
        sheetPage.lParam = reinterpret_cast<LPARAM>(state.get());
        sheetPage.pfnCallback = PageCallback;
        sheetPage.hActCtx = activated ? context : nullptr;
        const HPROPSHEETPAGE made = CreatePropertySheetPageW(&sheetPage);
        if (activated) DeactivateActCtx(0, cookie);
        if (!made) return E_OUTOFMEMORY;
        static_cast<void>(state.release());  // the page's release callback frees it
        if (!add(made, parameter)) {
            DestroyPropertySheetPage(made);
            return E_FAIL;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ChecksumsPageExtension::ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM) { return E_NOTIMPL; }

}  // namespace shell
