// An X.509 certificate with what Sigstore checks of it: validity, usages,
// names, extensions and whether another certificate's key signed it.
//
// Read with our own bounded DER code rather than libksba: libksba 1.6 stops
// reading a certificate at an empty subject name, which every Fulcio
// certificate has, and then finds none of its extensions.
#pragma once

#include "signatures/sigstore/public_key.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

inline constexpr char kCodeSigningUsage[] = "1.3.6.1.5.5.7.3.3";
inline constexpr char kTimeStampingUsage[] = "1.3.6.1.5.5.7.3.8";

// Certificates larger than this are no certificate of a signer or an authority.
inline constexpr std::size_t kMaxCertificateSize = 64 * 1024;

class Certificate {
public:
    // Nothing when the bytes are not exactly one version 3 certificate with a
    // key this program checks, or when it has a critical extension this
    // program doesn't know.
    static std::optional<Certificate> Parse(ByteSpan der);

    ByteSpan Der() const { return *der_; }
    const PkixKey& Key() const { return key_; }
    ByteSpan KeyInfo() const { return keyInfo_; }  // the SubjectPublicKeyInfo as written
    std::int64_t NotBefore() const { return notBefore_; }
    std::int64_t NotAfter() const { return notAfter_; }
    bool ValidAt(std::int64_t time) const { return time >= notBefore_ && time <= notAfter_; }

    bool IsCa() const { return ca_; }
    bool MaySignCertificates() const;  // key usage keyCertSign, or no key usage at all
    bool MaySignData() const;          // key usage digitalSignature, or no key usage at all
    bool HasExtendedUsage(std::string_view oid) const;
    bool SelfIssued() const;

    // The subject alternative names that are e-mail addresses or URIs, as written.
    std::vector<std::string> EmailsAndUris() const;
    // The DER value of the extension with this OID, when present once.
    std::optional<ByteSpan> Extension(std::string_view oid) const;

    // True when issuer's subject is this certificate's issuer and its key signed this certificate.
    bool SignedBy(const Certificate& issuer) const;

private:
    struct Extension_ {
        std::string oid;
        ByteSpan value;
    };

    std::shared_ptr<const Bytes> der_;  // shared, so the spans below stay valid in copies
    ByteSpan body_, signatureAlgorithm_, signature_, issuer_, subject_, keyInfo_;
    PkixKey key_;
    std::int64_t notBefore_ = 0;
    std::int64_t notAfter_ = 0;
    bool ca_ = false;
    std::optional<std::uint16_t> keyUsage_;  // bit 0 digitalSignature ... bit 8 decipherOnly
    std::vector<Extension_> extensions_;
};

// An authority's chain (DER, from its issuing certificate up to the root) when
// every certificate reads, was valid at every one of the times, and is signed
// by the next, a CA that may sign certificates; nothing otherwise.
std::optional<std::vector<Certificate>> VerifiedChain(std::span<const Bytes> chain,
                                                      std::span<const std::int64_t> times);

// A DER OID's dotted text, "1.3.6.1.4.1.57264.1.8"; empty when damaged.
std::string OidText(ByteSpan oid);

// Seconds since 1970 of a UTC time written "YYYYMMDDHHMMSS", a fraction of a
// second after it or none (dropped), then "Z", as GeneralizedTime writes it;
// nothing for any other text or for a date that doesn't exist.
std::optional<std::int64_t> GeneralizedTimeToUnix(std::string_view text);

}  // namespace vms
