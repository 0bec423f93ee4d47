#include "gui/logic/link_markup.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace app {
namespace {

// The runs written compactly: plain text as it is, a link as [id|words].
std::wstring Describe(const std::vector<LinkRun>& runs) {
    std::wstring out;
    for (const LinkRun& run : runs) out += run.link ? L"[" + run.id + L"|" + run.text + L"]" : run.text;
    return out;
}

TEST(LinkMarkup, ReadsTheNoticesAndLeavesWhatIsNotALinkTagAsText) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", L""},
        {L"Plain words only.", L"Plain words only."},
        {L"The clipboard contains a SHA-256 hash.  <a id=\"a\">Compare</a>    <a id=\"x\">Dismiss</a>",
         L"The clipboard contains a SHA-256 hash.  [a|Compare]    [x|Dismiss]"},
        {L"<a id='cli'>Command-line tool</a>", L"[cli|Command-line tool]"},
        {L"<A ID=\"k\" >Trust a key file...</A>", L"[k|Trust a key file...]"},
        {L"<a>no id</a>", L"[|no id]"},
        {L"1 < 2 and <b>bold</b>", L"1 < 2 and <b>bold</b>"},
        {L"<a id=x>unquoted</a>", L"<a id=x>unquoted</a>"},
        {L"<a id=\"open\">runs to the end", L"[open|runs to the end]"},
        {L"<a id=\"empty\"></a>after", L"after"},
        {L"<a id=\"a\">one</a><a id=\"b\">two</a>", L"[a|one][b|two]"},
        {L"a </a> stray close", L"a </a> stray close"},
        {L"<a id=\"" + std::wstring(49, L'i') + L"\">long id</a>", L"<a id=\"" + std::wstring(49, L'i') + L"\">long id</a>"},
        {L"<a id=\"unclosed", L"<a id=\"unclosed"},
        {L"<", L"<"},
        {L"<a", L"<a"},
    };
    for (const auto& [markup, expected] : cases) EXPECT_EQ(Describe(ParseLinkMarkup(markup)), expected) << markup;
}

TEST(LinkMarkup, RandomMarkupKeepsEveryWordOutsideTheTags) {
    // Whatever the input, the runs' words come from it in order, and no run is empty.
    std::mt19937 random(7);
    const wchar_t alphabet[] = L"<>/a id=\"'x ";
    for (int round = 0; round < 5000; ++round) {
        std::wstring markup;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) markup += alphabet[random() % (std::size(alphabet) - 1)];
        std::size_t at = 0;
        for (const LinkRun& run : ParseLinkMarkup(markup)) {
            ASSERT_FALSE(run.text.empty()) << markup;
            at = markup.find(run.text, at);
            ASSERT_NE(at, std::wstring::npos) << markup;
            at += run.text.size();
        }
    }
}

}  // namespace
}  // namespace app
