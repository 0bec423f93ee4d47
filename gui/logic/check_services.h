// The work a checking session hands away from the window's thread: hashing
// on the worker, and checks on threads of their own. Each reports back to the
// session through its front end, as a check event; a check that returns false
// could not be started and will report nothing.
#pragma once

#include "gui/logic/hash_worker.h"

#include <optional>
#include <string>

namespace app {

class CheckServices {
public:
    virtual ~CheckServices() = default;

    virtual void Hash(QueuedJob job) = 0;
    virtual void CancelJobsOf(RowId row) = 0;
    virtual void CancelAllJobs() = 0;
    virtual ProgressSnapshot Progress() const = 0;

    virtual bool StartAuthenticodeCheck(RowId row, const std::wstring& path) = 0;
    virtual bool StartListSignatureCheck(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath) = 0;
    // Reports a SiblingFound when a list beside the file names it, else an
    // OwnSignatureFound when a signature of the file lies beside it, else nothing.
    virtual bool StartSiblingSearch(RowId row, const std::wstring& path) = 0;
    virtual bool StartOwnSignatureCheck(RowId row, const std::wstring& path) = 0;
    virtual bool StartFolderListing(const std::wstring& listPath, bool includeHidden) = 0;
    virtual bool StartListUpdate(const std::wstring& listPath, bool includeHidden) = 0;
};

}  // namespace app
