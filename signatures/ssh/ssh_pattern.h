// OpenSSH's patterns, as ssh_config(5) describes them: "*" stands for any run
// of characters, "?" for one; a pattern-list is comma-separated and a "!"
// before a pattern makes its match a refusal.
#pragma once

#include <string_view>

namespace vms {

// Case-sensitive, as ssh-keygen compares principals and namespaces.
bool MatchSshPattern(std::string_view pattern, std::string_view text);

enum class PatternListMatch { NoMatch, Match, Negated };

// Negated when any "!" pattern matches, whatever else does: a negation alone
// never gives Match.
PatternListMatch MatchSshPatternList(std::string_view list, std::string_view text);

}  // namespace vms
