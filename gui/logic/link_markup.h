// The texts of vmview's link lines: plain words with links written as
// <a id="name">words</a>, the markup Windows' link control reads.
#pragma once

#include <string>
#include <vector>

namespace app {

struct LinkRun {
    std::wstring text;
    std::wstring id;    // empty for plain text
    bool link = false;
};

// The runs of a marked-up text, in order. A tag that isn't a well-formed
// <a ...> or </a> stays as text; an <a> left open runs to the end.
std::vector<LinkRun> ParseLinkMarkup(const std::wstring& markup);

}  // namespace app
