// One file of the window's list, and the words the list uses for its state.
#pragma once

#include "checksums/hash_recognition.h"
#include "engine/algorithms.h"
#include "engine/pipeline.h"
#include "gui/logic/authenticode.h"
#include "gui/logic/download_origin.h"
#include "gui/logic/list_signature.h"
#include "gui/logic/row_id.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

enum class RowStatus { Waiting = 0, Hashing = 1, Done = 2, Error = 3, Cancelled = 4 };

struct FileRow {
    RowId id = 0;
    std::wstring path;    // full path
    std::wstring name;    // after the last separator
    std::wstring folder;  // before it
    std::uint64_t size = 0;
    FILETIME modified{};
    vms::DigestSet digests{};
    vms::AlgorithmMask pending = 0;  // queued or being computed
    RowStatus status = RowStatus::Waiting;
    std::uint32_t error = 0;         // meaningful in status Error
    bool changed = false;            // a job saw the file change while reading it

    // Its Authenticode signature, checked once, on a thread of its own, when the
    // row is first shown in the details pane.
    AuthenticodeInfo authenticode;
    bool authenticodeKnown = false;
    bool authenticodeRequested = false;

    // Where the file came from, read once, when the row is first shown in the details pane.
    DownloadOrigin origin;
    bool originRead = false;

    // Rows that stand for an entry of a checksum file being verified.
    bool fromChecksumFile = false;
    std::vector<std::uint8_t> expectedBytes;
    std::vector<vms::AlgorithmId> expectedCandidates;
    std::wstring checksumFile;
    std::uint32_t checksumLine = 0;     // 0: the file holds only the hash
    bool foundBeside = false;           // the checksum file was found next to the file, not opened by the user
    ListSignature listSignature;        // the checksum file's signature
    // The file's own detached signature (NAME.minisig, NAME.sig, ...), when
    // one lies beside a file that no checksum list names.
    std::optional<ListSignature> ownSignature;
    std::wstring ownSignaturePath;
    // Found in a verified list's folder but not in the list (checksumFile names the list).
    bool notListed = false;
    // A file not listed that has a missing entry's digest: the entry's name on the file's row,
    // the file's name on the entry's row.
    std::wstring movedName;
};

// True for a row that stands for an entry of that checksum list.
bool IsEntryOf(const FileRow& row, const std::wstring& listPath);

// "Waiting", "Done", "Match (SHA-256)" when it matches the expected hash,
// "Missing", the system's error text...
std::wstring StatusText(const FileRow& row, const vms::ParsedHash* expected);

// "Checking...", "Not signed", "Signed by Contoso Ltd, valid"...
std::wstring AuthenticodeText(const FileRow& row);

// "1 byte", "1023 bytes", "1.5 KB", "10 KB", up to PB.
std::wstring FormatSize(std::uint64_t bytes);

}  // namespace app
