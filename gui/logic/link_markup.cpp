#include "gui/logic/link_markup.h"

#include <cwctype>

namespace app {
namespace {

constexpr std::size_t kMaxIdLength = 48;  // as much as a link item's ID holds

bool StartsWithTag(const std::wstring& text, std::size_t at, const wchar_t* tag) {
    for (std::size_t i = 0; tag[i]; ++i) {
        if (at + i >= text.size() || std::towlower(text[at + i]) != tag[i]) return false;
    }
    return true;
}

// Reads <a>, <a id="x"> or <a id='x'> at `at`; on success gives the ID and
// moves `at` past the tag.
bool ReadOpeningTag(const std::wstring& text, std::size_t& at, std::wstring& id) {
    if (!StartsWithTag(text, at, L"<a")) return false;
    std::size_t i = at + 2;
    id.clear();
    if (i < text.size() && text[i] == L'>') {
        at = i + 1;
        return true;
    }
    if (i >= text.size() || !std::iswspace(text[i])) return false;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    if (!StartsWithTag(text, i, L"id=")) return false;
    i += 3;
    if (i >= text.size() || (text[i] != L'"' && text[i] != L'\'')) return false;
    const wchar_t quote = text[i++];
    const std::size_t close = text.find(quote, i);
    if (close == std::wstring::npos || close - i > kMaxIdLength) return false;
    std::size_t end = close + 1;
    while (end < text.size() && std::iswspace(text[end])) ++end;
    if (end >= text.size() || text[end] != L'>') return false;
    id = text.substr(i, close - i);
    at = end + 1;
    return true;
}

void Append(std::vector<LinkRun>& runs, std::wstring text, const std::wstring& id, bool link) {
    if (text.empty()) return;
    if (!runs.empty() && !link && !runs.back().link) {
        runs.back().text += text;
        return;
    }
    runs.push_back(LinkRun{std::move(text), id, link});
}

}  // namespace

std::vector<LinkRun> ParseLinkMarkup(const std::wstring& markup) {
    std::vector<LinkRun> runs;
    std::size_t at = 0;
    while (at < markup.size()) {
        const std::size_t tag = markup.find(L'<', at);
        std::size_t open = tag;
        std::wstring id;
        if (tag == std::wstring::npos || !ReadOpeningTag(markup, open, id)) {
            const std::size_t end = tag == std::wstring::npos ? markup.size() : tag + 1;
            Append(runs, markup.substr(at, end - at), {}, false);
            at = end;
            continue;
        }
        Append(runs, markup.substr(at, tag - at), {}, false);
        std::size_t close = open;
        while ((close = markup.find(L'<', close)) != std::wstring::npos && !StartsWithTag(markup, close, L"</a>")) ++close;
        const std::size_t end = close == std::wstring::npos ? markup.size() : close;
        // A link with no words would be a link nobody can see or click.
        if (end > open) runs.push_back(LinkRun{markup.substr(open, end - open), id, true});
        at = close == std::wstring::npos ? markup.size() : close + 4;
    }
    return runs;
}

}  // namespace app
