#include "gui/logic/explorer_menu.h"
#include "gui/system/shell_registration.h"
#include "signatures/common/signed_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace app {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::wstring> ArgumentsOf(const std::wstring& line) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(line.c_str(), &count), &LocalFree);
    return {argv.get() + 1, argv.get() + count};
}

TEST(ExplorerMenu, CommandLinesReadBackAsTheirArguments) {
    const std::vector<std::wstring> arguments = {L"C:\\", L"D:\\My Files\\a & b.iso", L"E:\\Grüße\\日本.txt",
                                                 L"\\\\server\\share\\x y\\"};
    EXPECT_EQ(ArgumentsOf(CommandLineOf(L"C:\\Program Files\\Verimond\\vmview.exe", arguments)), arguments);
}

TEST(ExplorerMenu, WhichCommandsFit) {
    const std::vector<SelectedItem> notes = {{L"C:\\d\\notes.txt", false}};
    const std::vector<SelectedItem> list = {{L"C:\\d\\SHA256SUMS", false}};
    const std::vector<SelectedItem> folder = {{L"C:\\d\\photos", true}};
    const std::vector<SelectedItem> two = {notes.front(), {L"C:\\d\\b.iso", false}};
    int probed = 0;
    const auto signedFiles = [&](const std::wstring& path) {
        ++probed;
        return path.ends_with(L"SHA256SUMS");
    };
    const std::wstring hash = L"SHA256: " + std::wstring(64, L'a');
    struct Case {
        const std::vector<SelectedItem>* items;
        std::wstring clipboard;
        std::array<bool, 4> fits;  // in the menu's order
    };
    const Case cases[] = {
        {&notes, L"", {true, false, false, false}},
        {&list, L"", {true, true, true, false}},
        {&folder, L"", {true, false, false, false}},
        {&two, L"", {true, false, false, false}},
        {&two, hash, {true, false, false, true}},
        {&folder, hash, {true, false, false, true}},
        {&notes, L"not a hash", {true, false, false, false}},
        {&notes, L"abcd", {true, false, false, false}},  // too short to be offered
    };
    for (const Case& test : cases) {
        for (std::size_t i = 0; i < kMenuCommands.size(); ++i) {
            EXPECT_EQ(CommandFits(kMenuCommands[i].command, *test.items, test.clipboard, signedFiles), test.fits[i])
                << i << " " << test.items->front().path << " " << test.clipboard;
        }
    }
    // The probe reads folders: it runs only for one file, and only for the command that needs it.
    EXPECT_EQ(probed, 4);
    EXPECT_TRUE(CommandNeedsReading(MenuCommand::CheckSigner));
    EXPECT_FALSE(CommandNeedsReading(MenuCommand::Calculate));
    EXPECT_FALSE(CommandFits(MenuCommand::Calculate, {}, L"", signedFiles));
}

TEST(ExplorerMenu, SignaturesBesideAFileAndTheFileASignatureSigns) {
    const vms::testing::TempFolder folder;
    const std::wstring tool = folder.Write(L"tool.zip", Bytes("tool\n"));
    const std::wstring toolSignature = folder.Write(L"tool.zip.minisig", Bytes("untrusted comment: x\n"));
    const std::wstring lonely = folder.Write(L"gone.iso.sig", Bytes("signature"));
    const std::wstring listed = folder.Write(L"release.iso", Bytes("release\n"));
    const std::wstring plain = folder.Write(L"notes.txt", Bytes("notes\n"));
    EXPECT_TRUE(HasSignatureToCheck(tool));           // its own signature beside it
    EXPECT_TRUE(HasSignatureToCheck(toolSignature));  // the signature of a file beside it
    EXPECT_FALSE(HasSignatureToCheck(lonely));        // the file it signs isn't there
    EXPECT_FALSE(HasSignatureToCheck(plain));
    EXPECT_EQ(VmviewArguments(MenuCommand::CheckSigner, std::vector<SelectedItem>{{toolSignature, false}}),
              std::vector<std::wstring>{tool});
    EXPECT_EQ(VmviewArguments(MenuCommand::CheckSigner, std::vector<SelectedItem>{{lonely, false}}),
              std::vector<std::wstring>{lonely});
    EXPECT_EQ(VmviewArguments(MenuCommand::Calculate, std::vector<SelectedItem>{{plain, false}, {tool, false}}),
              (std::vector<std::wstring>{plain, tool}));

    // Listed in a checksum file beside it: only a signed list counts, detached or clear-signed.
    const std::string line = "9ee1d12e1ba3163e3ad7a4e6e3ff1fca1a3fc7e5e3c11d3e21b8b4d7b1bb4d39  release.iso\n";
    folder.Write(L"SHA256SUMS", Bytes(line));
    EXPECT_FALSE(HasSignatureToCheck(listed));
    folder.Write(L"SHA256SUMS.asc", Bytes("-----BEGIN PGP SIGNATURE-----\n"));
    EXPECT_TRUE(HasSignatureToCheck(listed));
    std::filesystem::remove(folder.Path() / L"SHA256SUMS.asc");
    folder.Write(L"SHA256SUMS", Bytes("-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\n" + line +
                                      "-----BEGIN PGP SIGNATURE-----\n\nwsBcBAEBCAAQBQJ=\n-----END PGP SIGNATURE-----\n"));
    EXPECT_TRUE(HasSignatureToCheck(listed));
}

TEST(ExplorerMenu, SignedFileNames) {
    EXPECT_EQ(vms::SignedFileOf(L"C:\\d\\a.iso.minisig"), L"C:\\d\\a.iso");
    EXPECT_EQ(vms::SignedFileOf(L"C:\\d\\A.ISO.SIG"), L"C:\\d\\A.ISO");
    EXPECT_EQ(vms::SignedFileOf(L"C:\\d\\a.iso.sigstore.json"), L"C:\\d\\a.iso");
    EXPECT_EQ(vms::SignedFileOf(L"C:\\d\\.asc"), std::nullopt);  // no name before the ending
    EXPECT_EQ(vms::SignedFileOf(L"C:\\d.sig\\notes.txt"), std::nullopt);
}

TEST(ShellRegistration, EveryValueWrittenIsRemovedWithItsKey) {
    const std::wstring program = L"C:\\Verimond\\vmview.exe";
    const std::wstring extension = L"C:\\Verimond\\vmshell.dll";
    const std::vector<std::wstring> keys = ExplorerKeys();
    const auto removed = [&](const RegistryValue& value) {
        return std::ranges::any_of(keys, [&](const std::wstring& key) {
            return value.key == key || value.key.starts_with(key + L"\\");
        });
    };
    const std::vector<RegistryValue> plain = ExplorerEntries(program, L"");
    const std::vector<RegistryValue> full = ExplorerEntries(program, extension);
    EXPECT_TRUE(std::ranges::all_of(plain, removed));
    EXPECT_TRUE(std::ranges::all_of(full, removed));
    // Without the extension, only the verb with its command; with it, the verb's
    // handler, both classes in this DLL and the page for every file.
    const auto count = [](const std::vector<RegistryValue>& values, std::wstring_view name, std::wstring_view data) {
        return std::ranges::count_if(values, [&](const RegistryValue& value) { return value.name == name && value.data == data; });
    };
    EXPECT_EQ(plain.size(), 6u);
    EXPECT_EQ(count(plain, L"", L"\"C:\\Verimond\\vmview.exe\" \"%1\""), 2);
    EXPECT_EQ(count(full, L"", L"\"C:\\Verimond\\vmview.exe\" \"%1\""), 2);
    EXPECT_EQ(count(full, L"ExplorerCommandHandler", kCommandClassId), 2);
    EXPECT_EQ(count(full, L"", extension), 2);
    EXPECT_EQ(count(full, L"ThreadingModel", L"Apartment"), 2);
    EXPECT_EQ(count(full, L"", kPageClassId), 1);
    EXPECT_EQ(count(plain, L"", kPageClassId) + count(plain, L"", extension), 0);
}

}  // namespace
}  // namespace app
