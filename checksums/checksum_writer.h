// Turns hashing results into the text of a checksum file: gnu (sha256sum's
// lines), bsd (tagged lines), sfv, csv or json. Pure: no input or output.
#pragma once

#include "checksums/output_format.h"
#include "engine/algorithms.h"
#include "engine/digest.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vms {

struct ChecksumWriterOptions {
    OutputFormat format = OutputFormat::Gnu;
    bool crlf = false;       // CR LF line ends instead of LF
    bool uppercase = false;  // A-F in upper case (sfv always is)
    // gnu only: the algorithm each line carries; absent means each file's first digest.
    std::optional<AlgorithmId> algorithm;
};

struct FileDigests {
    std::wstring path;  // written exactly as given
    std::uint64_t size = 0;
    std::vector<std::pair<AlgorithmId, Digest>> digests;  // computation order, one per algorithm
};

// The whole text, UTF-8. For gnu and bsd the text of a list is the
// concatenation of the texts of its files, so callers may write file by file;
// sfv, csv and json need the whole list at once.
std::string FormatChecksums(const std::vector<FileDigests>& files, const ChecksumWriterOptions& options);

}  // namespace vms
