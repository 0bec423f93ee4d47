// vmview's main window: a resizable dialog holding the file list. The dialog
// procedure decodes messages and calls the list, worker and presentation logic.
#pragma once

#include "gui/system/com_ptr.h"
#include "gui/logic/file_list.h"
#include "gui/window/colour_painter.h"
#include "gui/window/gdi_owners.h"
#include "gui/logic/hash_worker.h"
#include "gui/logic/list_presentation.h"
#include "gui/logic/save_checksums.h"
#include "gui/logic/settings.h"
#include "gui/logic/verdict.h"
#include "gui/system/list_checks.h"
#include "gui/window/window_layout.h"

#include "engine/win_handles.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <vector>

namespace app {

inline constexpr UINT WM_APP_REBUILD_FOR_DPI = WM_APP + 1;
inline constexpr UINT WM_APP_JOB_DONE = WM_APP + 10;
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 11;

// The algorithm check boxes, in the order of kBoxedAlgorithms.
inline constexpr int kCheckBoxIds[] = {1011, 1012, 1013, 1014, 1015};
inline constexpr UINT_PTR kProgressTimer = 1;

// What the notice bar above the list offers.
enum class NoticeKind { None = 0, Clipboard = 1, ChecksumFile = 2, StaleExplorerEntries = 3, SkippedLines = 4, UnknownKey = 5,
                        Unlisted = 6 };
inline constexpr UINT kProgressTimerPeriod = 200;
// The allowed_signers file the folder of a signed file may hold.
std::wstring AllowedSignersBeside(const std::wstring& signedPath);

inline constexpr const wchar_t* kHelpPage = L"https://verimond.example/help";

class MainWindow {
public:
    // Creates the (hidden) dialog; null when that failed.
    HWND Create(HINSTANCE instance);
    bool StartsMaximized() const { return settings_.window && settings_.window->maximized; }
    void AddPaths(const std::vector<std::wstring>& paths);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void OnInit();
    void OnDestroy();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnListNotify(const NMHDR& header);
    void OnJobDone(std::unique_ptr<JobResult> result);
    void OnAuthenticodeDone(std::unique_ptr<AuthenticodeResult> result);
    void OnListSignatureDone(std::unique_ptr<ListSignatureDone> result);
    void OnSiblingFound(std::unique_ptr<SiblingFound> result);
    void OnOwnSignatureFound(std::unique_ptr<OwnSignatureFound> result);
    // The notice for a file signed by a key nobody trusted yet; offers an allowed_signers file beside it.
    void ShowUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature);
    // Shows that notice for a key still unknown, and takes it away once the file's signature is judged otherwise.
    void TrustSignerOf(const std::wstring& signedPath);
    void RefreshUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature);
    void CheckListSignature(const std::wstring& listPath);
    void RecheckListSignatures();
    bool OfferToTrustKeyFile(const std::wstring& path);
    void ChooseKeyFileToTrust();
    void FindUnlistedFiles(const std::wstring& listPath);
    void LinkMove(const FileRow& found);
    bool OfferToUpdateList();
    void OnTimer();
    bool OnCopyData(const COPYDATASTRUCT& data);
    void OnDropFiles(HDROP drop);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnContextMenu(POINT screen, bool fromKeyboard);

    void ReadDpi();
    int Scale(int pixels96) const;
    void CreateToolbar();
    void CreateButtonIcons();
    void CreateVerdictFont();
    void SetWindowIcons();
    void RestoreWindowRect();
    void LayOut();

    void ApplySelection(vms::AlgorithmMask algorithms);
    void RebuildColumns();
    void SaveColumnWidths();
    void QueueMissing();
    void Queue(FileRow& row);
    void SortBy(int column);
    void ShowMoreMenu();
    void RemoveSelected();
    void ClearList();
    void CancelAll();
    void MarkHashingRows();
    void RefreshDetails();
    void RefreshStatusLine();
    void RefreshVerdict();
    void DrawVerdict(const DRAWITEMSTRUCT& item) const;
    void ShowNotice(NoticeKind kind, const std::wstring& text, const std::wstring& payload);
    void HideNotice();
    void OnNoticeLink(const std::wstring& id);
    void PasteExpectedHash();
    void CheckClipboard();
    void ChooseAndVerifyChecksumFiles();
    void VerifyChecksumFile(const std::wstring& path);
    void SaveChecksums();
    void OnRowCommand(int command);
    void OpenContainingFolder();
    void LookUp();
    void StartComparison();
    void RunWaitingCommands();
    void SaveChecksumsTo(const SavePlan& plan, const SaveFileType& type, const std::wstring& path);
    void AdaptMenusToThisCopy();
    void RefreshIntegrationMenu();
    void ApplyColourScheme();
    void ToggleIntegration(bool contextMenu);
    void CheckStaleIntegration();
    void RepairStaleIntegration(bool useThisCopy);
    void ShowAbout();
    void ShowCommandLineTool();
    void OpenProgramFolderOrSetupPage();
    void OpenWebPage(const wchar_t* address);
    void SetListCount(bool keepScroll);

    std::vector<std::size_t> SelectedPositions() const;
    CellContext Context() const { return {settings_.uppercase, expected_ ? &*expected_ : nullptr}; }

    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    HWND toolbar_ = nullptr;
    FileList files_;
    std::unique_ptr<HashWorker> worker_;
    Settings settings_;
    std::vector<ColumnSpec> columns_;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    UINT dpi_ = 96;
    SIZE minSize_{};
    WindowLayout layout_;
    NoticeKind noticeKind_ = NoticeKind::None;
    std::wstring noticePayload_;
    Verdict verdict_;
    DWORD clipboardSequence_ = 0;
    std::wstring dismissedClipboard_;
    ColourPainter colours_;
    std::unique_ptr<DarkMenu> darkMenu_;
    std::optional<vms::ParsedHash> expected_;
    std::optional<RowId> waitingLookUp_;
    std::vector<std::wstring> pendingKeyFiles_;
    std::optional<std::pair<RowId, RowId>> waitingComparison_;
    vms::UniqueHandle publishedWindow_;
    UINT taskbarCreatedMessage_ = 0;
    ComPtr<ITaskbarList3> taskbar_;
    UniqueFont verdictFont_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueImageList toolbarImages_;
    std::vector<UniqueImageList> buttonImages_;
};

}  // namespace app
