#include "cli/help.h"

#include "cli/console.h"
#include "engine/algorithms.h"
#include "verimond_version.h"

#include <string>

namespace cli {

using namespace vms;
namespace {

constexpr wchar_t kHelpText[] =
    L"vmsum " VM_VERSION_WTEXT L", the command-line tool of Verimond\n"
    L"\n"
    L"Compute checksums:\n"
    L"  vmsum [options] <files, folders, wildcards or ->\n"
    L"    -a, --algorithm <list>  Algorithms, comma separated, or \"all\" (default sha256)\n"
    L"    -r, --recursive         Include subfolders of folders and wildcard folders\n"
    L"        --hidden            Include hidden and system files\n"
    L"    -f, --format <name>     gnu (default for one algorithm), bsd (default for several),\n"
    L"                            sfv, csv or json\n"
    L"    -u, --upper             Upper-case hex digits\n"
    L"    -                       Read standard input\n"
    L"\n"
    L"Verify checksum files (SHA256SUMS, *.sha256, *.md5, *.sfv, BSD tagged files...):\n"
    L"  vmsum -c <checksum files>\n"
    L"    -q, --quiet             Don't print a line for each file that is OK\n"
    L"        --status            Print nothing. The exit code tells the result\n"
    L"        --ignore-missing    Don't report files that don't exist\n"
    L"        --key <file>        Trust the keys in this file for this run: OpenPGP,\n"
    L"                            minisign or signify (.pub, or the RW... key text),\n"
    L"                            SSH (.pub or allowed_signers)\n"
    L"        --signature <file>  The list's detached signature (else found beside it)\n"
    L"        --require-signature Fail unless a trusted key signed the list\n"
    L"\n"
    L"Audit a folder: what changed, appeared, vanished or moved since the list was made:\n"
    L"  vmsum --audit <checksum file> [folder]\n"
    L"    -v, --verbose           Also list the files that are unchanged\n"
    L"        --update            Bring the list up to date (a signed one into NAME.updated)\n"
    L"\n"
    L"Check who signed a file (OpenPGP, minisign, signify or SSH; in place or beside it):\n"
    L"  vmsum --verify-signature <files> [--key <file>] [--signature <file>]\n"
    L"  vmsum --trust-key <key file> | --list-keys | --forget-key <fingerprint or key ID>\n"
    L"\n"
    L"Sigstore bundles (NAME.sigstore.json, NAME.sigstore, NAME.bundle), checked offline,\n"
    L"with -c or --verify-signature:\n"
    L"        --certificate-identity <id>     Trust this signer (e-mail or URI) for this\n"
    L"        --certificate-oidc-issuer <url> run, signed in with this identity provider\n"
    L"        --trusted-root <file>           Use this trusted_root.json for this run\n"
    L"        --key <file>                    A cosign public key (PEM file)\n"
    L"  vmsum --verify-signature --signature <bundle> sha256:<hex>  (a digest, not a file)\n"
    L"  vmsum --trust-identity <id> --certificate-oidc-issuer <url>\n"
    L"  vmsum --trust-repository <url> --certificate-oidc-issuer <url>\n"
    L"  vmsum --forget-key <identity or repository>\n"
    L"\n"
    L"Compare with an expected hash (the algorithm is detected from its length or prefix):\n"
    L"  vmsum --expect <hash> <files>\n"
    L"  vmsum --expect \"<hash>  <file name>\"\n"
    L"\n"
    L"Hash a string (UTF-8):\n"
    L"  vmsum --text <string> [-a <list>]\n"
    L"\n"
    L"Several files at once (computing, -c, --expect and --audit):\n"
    L"    -j, --jobs <n>          Hash up to n files at once, at most one per core.\n"
    L"                            Default: up to 4 from an SSD, 2 over the network,\n"
    L"                            one at a time from a hard disk or an unknown drive\n"
    L"\n"
    L"  vmsum --list-algorithms | --help | --version\n"
    L"\n"
    L"Exit codes: 0 all OK, 1 a hash didn't match, 2 wrong usage, 3 a file couldn't be read.\n"
    L"Output uses '/' in paths and LF line ends, so Linux sha256sum -c reads it too.\n"
    L"More: " VM_PROJECT_URL_WTEXT L"\n";

constexpr size_t kListColumnWidth = 10;

void AppendPadded(std::wstring& line, std::wstring_view cell) {
    line += cell;
    if (cell.size() < kListColumnWidth) line.append(kListColumnWidth - cell.size(), L' ');
}

}  // namespace

void WriteHelp() { WriteOut(kHelpText); }

void WriteAlgorithmList() {
    std::wstring listing;
    for (const AlgorithmInfo& row : AllAlgorithms()) {
        const std::string cliName = row.cliName;
        AppendPadded(listing, std::wstring(cliName.begin(), cliName.end()));
        AppendPadded(listing, row.displayName);
        AppendPadded(listing, std::to_wstring(row.digestSize * 8) + L" bits");
        if (!row.secure) listing += L"for detecting corruption, not for security";
        listing += L'\n';
    }
    WriteOut(listing);
}

}  // namespace cli
