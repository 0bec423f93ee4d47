#include "gui/logic/notice.h"

#include <algorithm>
#include <iterator>

namespace app {
namespace {

struct LinkSpec {
    NoticeAction action;
    const wchar_t* id;  // unique within any one notice
    const wchar_t* label;
};

constexpr LinkSpec kLinks[] = {
    {NoticeAction::Dismiss, L"x", L"Dismiss"},
    {NoticeAction::CompareCopiedHash, L"a", L"Compare"},
    {NoticeAction::VerifyListedFiles, L"a", L"Verify the files it lists"},
    {NoticeAction::FindUnlistedFiles, L"f", L"Find files that aren't in this list"},
    {NoticeAction::TrustKeyFile, L"k", L"Trust a key file..."},
    {NoticeAction::TrustAllowedSigners, L"s", L"Trust allowed_signers..."},
    {NoticeAction::TrustSigstoreSigner, L"g", L"Trust this signer..."},
    {NoticeAction::UseThisCopy, L"a", L"Use this copy"},
    {NoticeAction::RemoveStaleEntries, L"r", L"Remove them"},
};

const LinkSpec& SpecOf(NoticeAction action) {
    return *std::ranges::find(kLinks, action, &LinkSpec::action);
}

}  // namespace

std::wstring NoticeText(std::wstring_view message, const std::vector<NoticeAction>& actions) {
    std::wstring text(message);
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const LinkSpec& link = SpecOf(actions[i]);
        text += (i == 0 ? L"" : L"    ") + std::wstring(L"<a id=\"") + link.id + L"\">" + link.label + L"</a>";
    }
    return text;
}

Notice MakeNotice(NoticeKind kind, std::wstring_view message, std::vector<NoticeAction> actions, std::wstring subject) {
    std::wstring text = NoticeText(message, actions);
    return {kind, std::move(text), std::move(actions), std::move(subject)};
}

std::optional<NoticeAction> ActionOfLink(const Notice& notice, std::wstring_view linkId) {
    for (const NoticeAction action : notice.actions) {
        if (SpecOf(action).id == linkId) return action;
    }
    return std::nullopt;
}

}  // namespace app
