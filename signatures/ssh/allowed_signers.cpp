#include "signatures/ssh/allowed_signers.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace vms {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimStart(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Calls onLine for each line that isn't blank or a comment, its CR and
// leading blanks gone; Malformed for a file past the bounds.
Result<void> ForEachLine(std::string_view text, std::vector<SshLineError>& errors,
                         const std::function<void(std::size_t, std::string_view)>& onLine) {
    if (text.size() > kMaxSshTrustFileSize) return MalformedError("the file is too large");
    if (static_cast<std::size_t>(std::ranges::count(text, '\n')) >= kMaxSshTrustFileLines) {
        return MalformedError("the file has too many lines");
    }
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        line = TrimStart(line);
        if (line.empty() || line.starts_with('#')) continue;
        if (line.size() > kMaxSshTrustLineLength) {
            errors.push_back({number, SignatureState::Malformed, "the line is too long"});
            continue;
        }
        onLine(number, line);
    }
    return {};
}

SshLineError LineError(std::size_t line, const Error& error) { return {line, SignatureStateOf(error), error.detail}; }

// The principals field: a quoted string, or the text up to the next blank.
std::optional<std::string_view> TakePrincipals(std::string_view& line) {
    std::size_t end = 0;
    std::string_view field;
    if (line.starts_with('"')) {
        end = line.find('"', 1);
        if (end == std::string_view::npos) return std::nullopt;
        field = line.substr(1, end - 1);
        ++end;
    } else {
        while (end < line.size() && !IsBlank(line[end])) ++end;
        field = line.substr(0, end);
    }
    if (end < line.size() && !IsBlank(line[end])) return std::nullopt;
    line = TrimStart(line.substr(end));
    return field;
}

std::vector<std::string> SplitPrincipals(std::string_view field) {
    std::vector<std::string> principals;
    while (true) {
        const std::size_t comma = field.find(',');
        if (const std::string_view part = field.substr(0, comma); !part.empty()) principals.emplace_back(part);
        if (comma == std::string_view::npos) return principals;
        field.remove_prefix(comma + 1);
    }
}

// Key types hold no "=", '"' or ","; options other than cert-authority all do.
bool StartsWithOptions(std::string_view line) {
    const std::string_view first = line.substr(0, std::ranges::find_if(line, IsBlank) - line.begin());
    return first.find_first_of("=\",") != std::string_view::npos || EqualsIgnoreCase(first, "cert-authority");
}

// A quoted option value; a backslash keeps a quote inside it.
std::optional<std::string> TakeQuoted(std::string_view& text) {
    if (!text.starts_with('"')) return std::nullopt;
    std::string value;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return value;
        }
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '"') ++i;
        value += text[i];
    }
    return std::nullopt;
}

// The options field into signer, leaving line after it; what is wrong with it, if anything.
std::optional<SshLineError> TakeOptions(std::string_view& line, AllowedSigner& signer) {
    const auto fail = [&signer](SignatureState state, std::string error) {
        return SshLineError{signer.line, state, std::move(error)};
    };
    while (true) {
        const std::size_t nameEnd = std::min(line.find_first_of("=, \t"), line.size());
        const std::string_view name = line.substr(0, nameEnd);
        line.remove_prefix(nameEnd);
        if (EqualsIgnoreCase(name, "cert-authority")) {
            signer.certAuthority = true;
        } else {
            const bool isNamespaces = EqualsIgnoreCase(name, "namespaces");
            const bool isAfter = EqualsIgnoreCase(name, "valid-after");
            const bool isBefore = EqualsIgnoreCase(name, "valid-before");
            if (!isNamespaces && !isAfter && !isBefore) {
                return fail(SignatureState::Unsupported, "the option " + PrintableName(name));
            }
            if (!line.starts_with('=')) return fail(SignatureState::Malformed, "an option has no value");
            line.remove_prefix(1);
            std::optional<std::string> value = TakeQuoted(line);
            if (!value) return fail(SignatureState::Malformed, "an option's value isn't quoted");
            if ((isNamespaces && signer.namespaces) || (isAfter && signer.validAfter) ||
                (isBefore && signer.validBefore)) {
                return fail(SignatureState::Malformed, "an option is given twice");
            }
            if (isNamespaces) {
                signer.namespaces = std::move(*value);
            } else {
                const std::optional<SignerTime> time = ParseSignerTime(*value);
                if (!time) return fail(SignatureState::Malformed, "a time isn't YYYYMMDD[HHMM[SS]][Z]");
                (isAfter ? signer.validAfter : signer.validBefore) = time;
            }
        }
        if (line.starts_with(',')) {
            line.remove_prefix(1);
            continue;
        }
        if (line.empty() || !IsBlank(line.front())) {
            return fail(SignatureState::Malformed, "the options have no key after them");
        }
        line = TrimStart(line);
        return std::nullopt;
    }
}

}  // namespace

Result<AllowedSigners> ParseAllowedSigners(std::string_view text) {
    AllowedSigners result;
    const Result<void> read = ForEachLine(text, result.errors, [&](std::size_t number, std::string_view line) {
        AllowedSigner signer;
        signer.line = number;
        const std::optional<std::string_view> principals = TakePrincipals(line);
        if (!principals) {
            result.errors.push_back({number, SignatureState::Malformed, "the principals' quotes aren't closed"});
            return;
        }
        signer.principals = SplitPrincipals(*principals);
        if (signer.principals.empty()) {
            result.errors.push_back({number, SignatureState::Malformed, "the line names no principal"});
            return;
        }
        if (StartsWithOptions(line)) {
            if (std::optional<SshLineError> error = TakeOptions(line, signer)) {
                result.errors.push_back(std::move(*error));
                return;
            }
        }
        Result<SshPublicKey> key = ParseSshKeyLine(line);
        if (!key) {
            result.errors.push_back(LineError(number, key.GetError()));
            return;
        }
        signer.key = std::move(*key);
        result.signers.push_back(std::move(signer));
    });
    if (!read) return read.GetError();
    return result;
}

Result<SshKeyList> ParseSshPublicKeys(std::string_view text) {
    SshKeyList result;
    const Result<void> read = ForEachLine(text, result.errors, [&](std::size_t number, std::string_view line) {
        Result<SshPublicKey> key = ParseSshKeyLine(line);
        if (key) result.keys.push_back(std::move(*key));
        else result.errors.push_back(LineError(number, key.GetError()));
    });
    if (!read) return read.GetError();
    return result;
}

}  // namespace vms
