#include "signatures/ssh/ssh_verify.h"

#include "signatures/ssh/ssh_wire.h"

namespace vms {
namespace {

constexpr std::string_view kMagic = "SSHSIG";

Bytes Digest(DigestAlgorithm algorithm, ByteSpan bytes) {
    DigestContext context(algorithm);
    context.Update(bytes);
    return context.Finish();
}

// What the authenticator signs instead of the signed data itself.
Bytes SecurityKeyMessage(const SshSignature& signature, ByteSpan signedData) {
    Bytes message = Digest(DigestAlgorithm::Sha256, WireBytes(signature.key.application));
    message.push_back(signature.flags);
    for (int shift = 24; shift >= 0; shift -= 8) {
        message.push_back(static_cast<std::uint8_t>(signature.counter >> shift));
    }
    const Bytes dataDigest = Digest(DigestAlgorithm::Sha256, signedData);
    message.insert(message.end(), dataDigest.begin(), dataDigest.end());
    return message;
}

VerifyOutcome Ecdsa(const SshSignature& signature, EcdsaCurve curve, DigestAlgorithm hash, ByteSpan message) {
    return VerifyEcdsa(curve, signature.key.point, signature.r, signature.s, Digest(hash, message));
}

VerifyOutcome Rsa(const SshSignature& signature, DigestAlgorithm hash, ByteSpan signedData) {
    return VerifyRsaPkcs1(signature.key.modulus, signature.key.exponent, signature.value, hash,
                          Digest(hash, signedData));
}

}  // namespace

Bytes SshSignedData(const SshSignature& signature, ByteSpan documentDigest) {
    Bytes data(kMagic.begin(), kMagic.end());
    AppendSshString(data, WireBytes(signature.signatureNamespace));
    AppendSshString(data, signature.reserved);
    AppendSshString(data, WireBytes(signature.hashName));
    AppendSshString(data, documentDigest);
    return data;
}

VerifyOutcome VerifySshSignature(const SshSignature& signature, ByteSpan documentDigest) {
    const Bytes signedData = SshSignedData(signature, documentDigest);
    switch (signature.algorithm) {
    case SshSignatureAlgorithm::Ed25519:
        return VerifyEd25519(signature.key.point, signature.value, signedData);
    case SshSignatureAlgorithm::EcdsaSha256:
        return Ecdsa(signature, EcdsaCurve::NistP256, DigestAlgorithm::Sha256, signedData);
    case SshSignatureAlgorithm::EcdsaSha384:
        return Ecdsa(signature, EcdsaCurve::NistP384, DigestAlgorithm::Sha384, signedData);
    case SshSignatureAlgorithm::EcdsaSha512:
        return Ecdsa(signature, EcdsaCurve::NistP521, DigestAlgorithm::Sha512, signedData);
    case SshSignatureAlgorithm::RsaSha256:
        return Rsa(signature, DigestAlgorithm::Sha256, signedData);
    case SshSignatureAlgorithm::RsaSha512:
        return Rsa(signature, DigestAlgorithm::Sha512, signedData);
    case SshSignatureAlgorithm::RsaSha1:
        return Rsa(signature, DigestAlgorithm::Sha1, signedData);
    case SshSignatureAlgorithm::SkEd25519:
        return VerifyEd25519(signature.key.point, signature.value, SecurityKeyMessage(signature, signedData));
    case SshSignatureAlgorithm::SkEcdsaSha256:
        return Ecdsa(signature, EcdsaCurve::NistP256, DigestAlgorithm::Sha256,
                     SecurityKeyMessage(signature, signedData));
    }
    return VerifyOutcome::Bad;
}

}  // namespace vms
