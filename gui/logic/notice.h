// The notice bar above the list: what it says, and the actions its links
// offer. A notice's text carries its links as markup; which action a link
// stands for is known only through the notice that shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class NoticeKind { None, Clipboard, ChecksumFile, StaleExplorerEntries, SkippedLines, UnknownKey, Unlisted };

enum class NoticeAction {
    Dismiss,
    CompareCopiedHash,
    VerifyListedFiles,
    FindUnlistedFiles,
    TrustKeyFile,
    TrustAllowedSigners,
    TrustSigstoreSigner,
    UseThisCopy,
    RemoveStaleEntries,
};

struct Notice {
    NoticeKind kind = NoticeKind::None;
    std::wstring text;                 // with the links' markup
    std::vector<NoticeAction> actions;  // the links, in order
    std::wstring subject;              // the path or text the actions act on
};

// The links' markup, in order, four spaces apart, after the message, which
// ends with its own gap.
std::wstring NoticeText(std::wstring_view message, const std::vector<NoticeAction>& actions);

// A notice of its kind with the given links.
Notice MakeNotice(NoticeKind kind, std::wstring_view message, std::vector<NoticeAction> actions, std::wstring subject);

// The action of the notice's link of that id; nothing for an id it doesn't show.
std::optional<NoticeAction> ActionOfLink(const Notice& notice, std::wstring_view linkId);

}  // namespace app
