// The checking session's services for a window: the hashing worker, and a
// thread per check, each posting what it finds to the window.
#pragma once

#include "gui/logic/check_services.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace app {

// Runs work on a thread of its own; false when none could be started.
using ThreadStarter = std::function<bool(std::function<void()>)>;

// A detached thread: the program's own threads end with the process.
bool StartDetachedThread(std::function<void()> work);

class PostingServices final : public CheckServices {
public:
    // jobs: files hashed at once; 0 by each file's device.
    PostingServices(HWND window, unsigned jobs, ThreadStarter startThread = StartDetachedThread);

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
    template <typename Work>
    bool StartPosting(Work work);

    HWND window_;
    ThreadStarter startThread_;
    std::unique_ptr<HashWorker> worker_;
};

}  // namespace app
