// The cleartext signature framework: a message signed in readable form,
// followed by its armoured signature.
#pragma once

#include "engine/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct ClearSignedMessage {
    std::string signedText;               // what the signature covers: unescaped, trailing blanks
                                          // removed, CR LF between lines, no final line break
    std::vector<std::string> hashNames;   // from the "Hash:" headers, as written
    std::string signatureArmor;           // the "-----BEGIN PGP SIGNATURE-----" block
    bool textOutside = false;             // non-blank text before or after the signed message
};

// Nothing when the text holds no "-----BEGIN PGP SIGNED MESSAGE-----" line;
// else the message, or Malformed when the framework is damaged.
std::optional<Result<ClearSignedMessage>> ParseClearSigned(std::string_view text);

}  // namespace vms
