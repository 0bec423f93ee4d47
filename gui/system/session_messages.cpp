#include "gui/system/session_messages.h"

#include "gui/system/posted_messages.h"

namespace app {

std::optional<Changes> DeliverPostedEvent(CheckSession& session, UINT message, LPARAM lParam,
                                          FinishedCommands& finished) {
    switch (message) {
    case PostedMessage<JobResult>():
        return session.OnJobDone(*TakePayload<JobResult>(lParam), finished);
    case PostedMessage<AuthenticodeResult>():
        return session.OnAuthenticodeChecked(*TakePayload<AuthenticodeResult>(lParam));
    case PostedMessage<ListSignatureDone>():
        return session.OnListSignatureChecked(*TakePayload<ListSignatureDone>(lParam));
    case PostedMessage<SiblingFound>():
        return session.OnSiblingFound(*TakePayload<SiblingFound>(lParam));
    case PostedMessage<OwnSignatureFound>():
        return session.OnOwnSignatureFound(*TakePayload<OwnSignatureFound>(lParam));
    case PostedMessage<FolderListed>():
        return session.OnFolderListed(*TakePayload<FolderListed>(lParam));
    default:
        return std::nullopt;
    }
}

}  // namespace app
