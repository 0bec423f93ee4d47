// The main window's checking of downloads: the expected-hash box and its
// verdict line, the notice bar, the clipboard offer, and verifying checksum files.
#include "gui/window/main_window.h"

#include "checksums/checksum_reader.h"
#include "checksums/entry_verification.h"
#include "engine/error_text.h"
#include "engine/text.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "gui/system/shell.h"
#include "gui/window/toolbar.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

constexpr int kVerdictIconSize96 = 16;
constexpr int kVerdictIconGap96 = 6;

const COMDLG_FILTERSPEC kChecksumFilters[] = {
    {L"Checksum files",
     L"*.sha256;*.sha1;*.md5;*.sha512;*.sha384;*.sfv;*.b3;*.blake3;*.xxh64;*.xxh3;*.xxh128;*.sha3-256;*.sha3-384;"
     L"*.sha3-512;*.digests;*SUMS;*SUMS.txt;*sums.txt;*.txt;*.asc"},
    {L"All files", L"*.*"},
};

int VerdictIcon(VerdictStyle style) {
    switch (style) {
    case VerdictStyle::Match: return IDI_MATCH;
    case VerdictStyle::Mismatch: return IDI_MISMATCH;
    case VerdictStyle::Info: return IDI_INFO;
    case VerdictStyle::Busy: return IDI_BUSY;
    case VerdictStyle::None: return 0;
    }
    return 0;
}

std::wstring ControlText(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

void WarnAboutChecksumFile(HWND owner, const std::wstring& instruction, const std::wstring& content) {
    MessageDialogOptions options;
    options.icon = DialogIcon::Warning;
    options.instruction = instruction;
    options.content = content;
    MessageDialog(owner, options);
}

}  // namespace

void MainWindow::RefreshVerdict() {
    const std::wstring text(vms::TrimText(ControlText(hwnd_, IDC_EXPECTED)));
    expected_.reset();
    if (text.empty()) {
        verdict_ = ChecksumSummary(files_.Rows(), worker_->Snapshot().busy);
    } else if (auto parsed = vms::RecognizeHash(text, false)) {
        expected_ = std::move(parsed);
        const auto& rows = files_.Rows();
        const bool anyMatch = std::ranges::any_of(rows, [&](const FileRow& row) {
            return CompareRow(row, expected_->bytes, expected_->candidates).match == RowMatch::Match;
        });
        if (!anyMatch) {
            const vms::AlgorithmMask candidates = vms::CandidateMask(*expected_);
            for (FileRow& row : files_.Rows()) {
                if (auto job = files_.QueueRow(row, settings_.algorithms | candidates)) {
                    worker_->Enqueue(std::move(*job));
                    SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
                }
            }
        }
        verdict_ = ExpectedHashVerdict(*expected_, files_.Rows());
    } else {
        verdict_ = {L"This doesn't look like a hash. Paste the hex or base64 value from the website.", VerdictStyle::Info};
    }
    InvalidateRect(list_, nullptr, FALSE);
    // The line is drawn by the window; its text is also the control's, for screen readers.
    SetDlgItemTextW(hwnd_, IDC_VERDICT, verdict_.text.c_str());
    InvalidateRect(GetDlgItem(hwnd_, IDC_VERDICT), nullptr, TRUE);
}

void MainWindow::DrawVerdict(const DRAWITEMSTRUCT& item) const {
    const Palette& palette = colours_.Colours();
    FillRect(item.hDC, &item.rcItem, colours_.Dark() ? colours_.WindowBrush() : GetSysColorBrush(COLOR_3DFACE));
    if (verdict_.text.empty()) return;
    RECT area = item.rcItem;
    const int iconSize = Scale(kVerdictIconSize96);
    if (const int icon = VerdictIcon(verdict_.style)) {
        const UniqueIcon loaded(LoadIconAt(icon, iconSize));
        const int top = area.top + (area.bottom - area.top - iconSize) / 2;
        DrawIconEx(item.hDC, area.left, top, loaded.get(), iconSize, iconSize, 0, nullptr, DI_NORMAL);
        area.left += iconSize + Scale(kVerdictIconGap96);
    }
    COLORREF colour = colours_.Dark() ? palette.text : GetSysColor(COLOR_BTNTEXT);
    const bool highContrast = colours_.Scheme() == ColourScheme::HighContrast;
    if (!highContrast && verdict_.style == VerdictStyle::Match) colour = palette.matchText;
    if (!highContrast && verdict_.style == VerdictStyle::Mismatch) colour = palette.mismatchText;
    const bool bold = verdict_.style == VerdictStyle::Match || verdict_.style == VerdictStyle::Mismatch;
    const HFONT font = bold ? verdictFont_.get() : reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(item.hDC, font);
    SetTextColor(item.hDC, colour);
    SetBkMode(item.hDC, TRANSPARENT);
    DrawTextW(item.hDC, verdict_.text.c_str(), static_cast<int>(verdict_.text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(item.hDC, previous);
}

void MainWindow::ShowNotice(NoticeKind kind, const std::wstring& text, const std::wstring& payload) {
    noticeKind_ = kind;
    noticePayload_ = payload;
    SetDlgItemTextW(hwnd_, IDC_BANNER, text.c_str());
    ShowWindow(GetDlgItem(hwnd_, IDC_BANNER), SW_SHOWNA);
    LayOut();
}

void MainWindow::HideNotice() {
    if (noticeKind_ == NoticeKind::None) return;
    noticeKind_ = NoticeKind::None;
    noticePayload_.clear();
    SetDlgItemTextW(hwnd_, IDC_BANNER, L"");
    ShowWindow(GetDlgItem(hwnd_, IDC_BANNER), SW_HIDE);
    LayOut();
}

void MainWindow::OnNoticeLink(const std::wstring& id) {
    const NoticeKind kind = noticeKind_;
    const std::wstring payload = noticePayload_;
    if (id == L"x") {
        if (kind == NoticeKind::Clipboard) dismissedClipboard_ = payload;
        HideNotice();
        return;
    }
    HideNotice();
    if (kind == NoticeKind::Clipboard && id == L"a") {
        SetDlgItemTextW(hwnd_, IDC_EXPECTED, std::wstring(vms::TrimText(payload)).c_str());
    } else if (kind == NoticeKind::ChecksumFile && id == L"a") {
        const auto& rows = files_.Rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].fromChecksumFile && vms::EqualsIgnoreCase(rows[i].path, payload)) {
                for (RowId removed : files_.Remove({i})) worker_->RemoveJobsOf(removed);
                break;
            }
        }
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
        SetListCount(false);
        VerifyChecksumFile(payload);
    } else if (kind == NoticeKind::Unlisted && id == L"f") {
        FindUnlistedFiles(payload);
    } else if (kind == NoticeKind::UnknownKey && id == L"k") {
        ChooseKeyFileToTrust();
    } else if (kind == NoticeKind::UnknownKey && id == L"g") {
        TrustSignerOf(payload);
    } else if (kind == NoticeKind::UnknownKey && id == L"s") {
        OfferToTrustKeyFile(AllowedSignersBeside(payload));
    } else if (kind == NoticeKind::StaleExplorerEntries && (id == L"a" || id == L"r")) {
        RepairStaleIntegration(id == L"a");
    }
}

void MainWindow::PasteExpectedHash() {
    const std::wstring text = ReadClipboardText(hwnd_);
    if (text.empty()) return;
    SetDlgItemTextW(hwnd_, IDC_EXPECTED, std::wstring(vms::TrimText(text)).c_str());
    HideNotice();
}

void MainWindow::CheckClipboard() {
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence == clipboardSequence_) return;
    clipboardSequence_ = sequence;
    const std::wstring text = ReadClipboardText(hwnd_);
    if (text.empty()) return;
    const auto offer = ClipboardOffer(text, dismissedClipboard_, ControlText(hwnd_, IDC_EXPECTED));
    if (!offer) return;
    if (noticeKind_ != NoticeKind::None && noticeKind_ != NoticeKind::Clipboard) return;
    ShowNotice(NoticeKind::Clipboard, *offer, text);
}

void MainWindow::ChooseAndVerifyChecksumFiles() {
    const std::vector<COMDLG_FILTERSPEC> filters(std::begin(kChecksumFilters), std::end(kChecksumFilters));
    for (const std::wstring& path : ChooseFiles(hwnd_, L"Verify Checksum File", filters)) VerifyChecksumFile(path);
}

void MainWindow::VerifyChecksumFile(const std::wstring& path) {
    const vms::Result<std::wstring> text = vms::ReadChecksumText(path);
    if (!text) {
        WarnAboutChecksumFile(hwnd_, L"The checksum file can't be read.",
                              path + L"\n\n" + vms::FormatErrorText(text.GetError().systemCode) + L".");
        return;
    }
    const vms::ChecksumFile file = vms::ParseChecksumText(*text, path);
    if (file.entries.empty()) {
        WarnAboutChecksumFile(hwnd_, L"No checksums were found in this file.",
                              path + L"\n\nChecksum files have lines like \"<hash>  <file name>\" or "
                                     L"\"SHA256 (<file name>) = <hash>\".");
        return;
    }
    std::size_t firstNew = files_.Rows().size();
    for (const vms::ChecksumEntry& entry : file.entries) {
        FileRow row = files_.MakeRow(vms::ResolveEntryPath(path, entry.name));
        row.fromChecksumFile = true;
        row.expectedBytes = entry.bytes;
        row.expectedCandidates = entry.candidates;
        row.checksumFile = path;
        row.checksumLine = entry.line;
        auto& rows = files_.Rows();
        std::vector<std::size_t> ordinary;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].fromChecksumFile && vms::EqualsIgnoreCase(rows[i].path, row.path)) ordinary.push_back(i);
        }
        for (std::size_t position : ordinary) {
            if (position < firstNew) --firstNew;
        }
        for (RowId removed : files_.Remove(ordinary)) worker_->RemoveJobsOf(removed);
        files_.Rows().push_back(std::move(row));
    }
    files_.RebuildIndex();
    CheckListSignature(path);
    QueueMissing();
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    SetListCount(false);
    ListView_EnsureVisible(list_, static_cast<int>(firstNew), FALSE);
    RefreshDetails();
    RefreshStatusLine();
    RefreshVerdict();
    if (file.skipped_lines.empty()) {
        ShowNotice(NoticeKind::Unlisted,
                   L"Did files appear or move since the list was made?  <a id=\"f\">Find files that aren't in this "
                   L"list</a>    <a id=\"x\">Dismiss</a>",
                   path);
    } else {
        const std::size_t count = file.skipped_lines.size();
        ShowNotice(NoticeKind::SkippedLines,
                   std::to_wstring(count) + (count == 1 ? L" line" : L" lines") +
                       L" of the checksum file aren't checksums and were skipped (first: line " +
                       std::to_wstring(file.skipped_lines.front()) + L").    <a id=\"x\">Dismiss</a>",
                   L"");
    }
}

}  // namespace app
