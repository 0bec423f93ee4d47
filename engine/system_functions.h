// Functions of system DLLs bound on first use instead of at start. Under Wine,
// loading bcrypt, shlwapi, shell32 and ole32 with the program took some 50 ms
// of every vmsum start, more than hashing a cached 1 GiB file with CRC32, and
// most runs need only some of them. Each DLL is loaded from the system folder
// only, once, and stays loaded for the life of the process.
#pragma once

#include <windows.h>

#include <bcrypt.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace vms::system {

struct BcryptFunctions {
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithmProvider;
    decltype(&::BCryptGetProperty) getProperty;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithmProvider;
    decltype(&::BCryptCreateHash) createHash;
    decltype(&::BCryptHashData) hashData;
    decltype(&::BCryptFinishHash) finishHash;
    decltype(&::BCryptDestroyHash) destroyHash;
};

struct ShlwapiFunctions {
    decltype(&::StrCmpLogicalW) strCmpLogical;
    decltype(&::PathMatchSpecW) pathMatchSpec;
};

struct ShellFunctions {
    decltype(&::SHGetKnownFolderPath) getKnownFolderPath;  // shell32
    decltype(&::CoTaskMemFree) coTaskMemFree;              // ole32
};

// Null when a DLL or one of its functions cannot be had.
const BcryptFunctions* Bcrypt();
const ShlwapiFunctions* Shlwapi();
const ShellFunctions* Shell();

}  // namespace vms::system
