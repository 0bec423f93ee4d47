// The checking session's services for a window: the hashing worker, and a
// detached thread per check, each posting what it finds to the window.
#pragma once

#include "gui/logic/check_services.h"

#include <windows.h>

#include <memory>

namespace app {

class PostingServices final : public CheckServices {
public:
    explicit PostingServices(HWND window);

    void Hash(QueuedJob job) override;
    void CancelJobsOf(RowId row) override;
    void CancelAllJobs() override;
    ProgressSnapshot Progress() const override;
    // The window took the last progress notice; the next may be posted.
    void ProgressNoticeTaken();
    // Ends the worker; its queue is dropped and its running job cancelled.
    void Stop();

    bool StartAuthenticodeCheck(RowId row, const std::wstring& path) override;
    bool StartListSignatureCheck(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath) override;
    bool StartSiblingSearch(RowId row, const std::wstring& path) override;
    bool StartOwnSignatureCheck(RowId row, const std::wstring& path) override;
    bool StartFolderListing(const std::wstring& listPath, bool includeHidden) override;
    bool StartListUpdate(const std::wstring& listPath, bool includeHidden) override;

private:
    HWND window_;
    std::unique_ptr<HashWorker> worker_;
};

}  // namespace app
