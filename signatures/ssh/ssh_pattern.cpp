#include "signatures/ssh/ssh_pattern.h"

namespace vms {

bool MatchSshPattern(std::string_view pattern, std::string_view text) {
    // Greedy with one resumption point: the last "*" only ever needs to take
    // one more character, so the time stays linear in the product of the
    // lengths however many stars a hostile pattern holds.
    std::size_t p = 0, t = 0;
    std::size_t starAt = std::string_view::npos, resumeText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeText = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            t = ++resumeText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

PatternListMatch MatchSshPatternList(std::string_view list, std::string_view text) {
    PatternListMatch result = PatternListMatch::NoMatch;
    while (true) {
        const std::size_t comma = list.find(',');
        std::string_view pattern = list.substr(0, comma);
        const bool negated = pattern.starts_with('!');
        if (negated) pattern.remove_prefix(1);
        if (MatchSshPattern(pattern, text)) {
            if (negated) return PatternListMatch::Negated;
            result = PatternListMatch::Match;
        }
        if (comma == std::string_view::npos) return result;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace vms
