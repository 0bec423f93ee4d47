#include "gui/system/posting_services.h"

#include "gui/logic/file_checks.h"
#include "gui/system/authenticode_check.h"
#include "gui/system/posted_messages.h"

#include <new>
#include <thread>

namespace app {
namespace {

template <typename Payload>
std::unique_ptr<Payload> Owned(Payload payload) {
    return std::make_unique<Payload>(std::move(payload));
}

}  // namespace

bool StartDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Runs work that makes the payload to post, if any. Short of memory, the
// work ends with nothing to report.
template <typename Work>
bool PostingServices::StartPosting(Work work) {
    try {
        return startThread_([window = window_, work] {
            try {
                if (auto payload = work()) PostPayload(window, std::move(payload));
            } catch (const std::exception&) {
                // Nothing to report with.
            }
        });
    } catch (const std::exception&) {  // no memory for the work's copy
        return false;
    }
}

PostingServices::PostingServices(HWND window, unsigned jobs, ThreadStarter startThread)
    : window_(window),
      startThread_(std::move(startThread)),
      worker_(std::make_unique<HashWorker>(
          // A result that can't be posted is freed; its row keeps its pending state.
          [window](std::unique_ptr<JobResult> result) { PostPayload(window, std::move(result)); },
          [window] { PostMessageW(window, WM_APP_PROGRESS, 0, 0); }, jobs)) {}

void PostingServices::Hash(QueuedJob job) { worker_->Enqueue(std::move(job)); }

void PostingServices::CancelJobsOf(RowId row) { worker_->RemoveJobsOf(row); }

void PostingServices::CancelAllJobs() { worker_->CancelAll(); }

ProgressSnapshot PostingServices::Progress() const { return worker_->Snapshot(); }

void PostingServices::ProgressNoticeTaken() { worker_->ProgressNoticeTaken(); }

void PostingServices::Stop() { worker_->Stop(); }

bool PostingServices::StartAuthenticodeCheck(RowId row, const std::wstring& path) {
    try {
        return startThread_([window = window_, row, path] {
            // The block is made first, so that a check that runs out of memory
            // still reports, as one that could not check.
            std::unique_ptr<AuthenticodeResult> result;
            try {
                result = std::make_unique<AuthenticodeResult>(AuthenticodeResult{row, {}});
                result->info = CheckAuthenticode(path);
            } catch (const std::bad_alloc&) {
                if (!result) return;  // nothing to report with
                result->info = AuthenticodeInfo{};
            }
            PostPayload(window, std::move(result));
        });
    } catch (const std::exception&) {  // no memory for the work's copy of the path
        return false;
    }
}

bool PostingServices::StartListSignatureCheck(const std::wstring& listPath,
                                              const std::optional<std::wstring>& signaturePath) {
    return StartPosting([listPath, signaturePath] {
        return Owned(ListSignatureDone{listPath, CheckListSignature(listPath, signaturePath)});
    });
}

bool PostingServices::StartOwnSignatureCheck(RowId row, const std::wstring& path) {
    return StartPosting([row, path] {
        std::optional<OwnSignatureFound> found = CheckOwnSignature(row, path);
        return found ? Owned(std::move(*found)) : nullptr;
    });
}

bool PostingServices::StartSiblingSearch(RowId row, const std::wstring& path) {
    return StartPosting([window = window_, row, path]() -> std::unique_ptr<SiblingFound> {
        if (std::optional<SiblingListing> listing = FindSiblingListing(path)) {
            ListSignature signature = CheckListSignature(listing->listPath, std::nullopt);
            return Owned(SiblingFound{row, std::move(*listing), std::move(signature)});
        }
        if (std::optional<OwnSignatureFound> own = CheckOwnSignature(row, path)) PostPayload(window, Owned(std::move(*own)));
        return nullptr;
    });
}

bool PostingServices::StartFolderListing(const std::wstring& listPath, bool includeHidden) {
    return StartPosting([listPath, includeHidden] { return Owned(ListFolderOf(listPath, includeHidden)); });
}

bool PostingServices::StartListUpdate(const std::wstring& listPath, bool includeHidden) {
    return StartPosting([listPath, includeHidden] { return Owned(UpdateListFromFolder(listPath, includeHidden)); });
}

}  // namespace app
