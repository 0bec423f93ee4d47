// What the window shows of a signature, of a checksum file or of a download
// itself, in any format: one state for the whole file, and its words in the
// details pane, the verdict line and the unknown-key notice.
#pragma once

#include "signatures/common/signed_file.h"

#include <span>
#include <string>

namespace app {

enum class ListSignatureState {
    Checking, Unsigned, Good, Bad, UnknownKey, Expired, Revoked, Weak, Unsupported, Malformed, Uncheckable,
};

struct ListSignature {
    ListSignatureState state = ListSignatureState::Checking;
    std::wstring signer;  // the signer's name as its format gives it (user ID, trusted comment,
                          // principals), else the key, when known
    std::wstring key;     // the key as its format writes it: "ABCD 1234 ...", "minisign key ...", "SSH key SHA256:..."
    std::wstring keyId;   // the short form a notice names: OpenPGP's key ID, else the key
    std::optional<vms::SigstoreSigner> sigstoreSigner;  // known by name even when not trusted
    std::wstring logged;  // Sigstore: the day the transparency log recorded the signature
};

// A signature known only by its state so far.
inline ListSignature SignatureIn(ListSignatureState state) {
    ListSignature signature;
    signature.state = state;
    return signature;
}

// One state for a list: Bad when any signature is Bad, Good when the list is
// good (one Good, none Bad), else the first signature's state.
ListSignature SummarizeSignature(const vms::FileSignature& signature);

// The details pane's "Signed by:" value: "Example <x@example.org> (ABCD 1234 ...)", or the state.
enum class SignedThing { List, File };
std::wstring SignedByText(const ListSignature& signature, SignedThing thing);

// The clause the verdict line adds for a list's signature, ending the
// sentence: ", and the list is signed by X." for a good one (", which is
// signed by X." after a named list), a warning for the rest; empty while
// checking, for a Bad one (which words the whole line) and for an unsigned
// list, whose wording stays as it was.
std::wstring SignatureClause(const ListSignature& signature, bool afterListName);

// One signature standing for several lists: Bad when any is, Good when all
// are, else the first that is neither unsigned nor being checked.
ListSignature CombineSignatures(std::span<const ListSignature* const> signatures);

}  // namespace app
