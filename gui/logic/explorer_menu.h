// Verimond's entry in Explorer's menu: its commands, which of them fit the
// selected items, and the vmview command line each one starts.
#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class MenuCommand { Calculate, VerifyList, CheckSigner, CompareClipboard };

struct MenuCommandText {
    MenuCommand command;
    const wchar_t* title;
    const wchar_t* tip;
};

inline constexpr const wchar_t* kMenuTitle = L"Verimond";

// The commands, in the menu's order.
inline constexpr std::array<MenuCommandText, 4> kMenuCommands = {{
    {MenuCommand::Calculate, L"Calculate checksums", L"Open the selected items in Verimond and hash them"},
    {MenuCommand::VerifyList, L"Verify checksum file", L"Check the files this checksum file lists"},
    {MenuCommand::CheckSigner, L"Check who signed this", L"Check the signature of this download or its checksum file"},
    {MenuCommand::CompareClipboard, L"Compare with the copied hash",
     L"Compare the selected files with the hash on the clipboard"},
}};

struct SelectedItem {
    std::wstring path;
    bool folder = false;
};

// True when "Check who signed this" fits a file: it is a signature of a file
// beside it, or a signature lies beside it, or a checksum file beside it
// lists it and is signed. Reads the folder: not for Explorer's thread.
using SignatureProbe = std::function<bool(const std::wstring& path)>;
bool HasSignatureToCheck(const std::wstring& path);

// Whether a command fits the items and the clipboard's text. Only
// CheckSigner asks the probe, and only for a single file.
bool CommandFits(MenuCommand command, std::span<const SelectedItem> items, std::wstring_view clipboard,
                 const SignatureProbe& probe);

// True for the command whose test reads files.
bool CommandNeedsReading(MenuCommand command);

// vmview's arguments for the command; it hands them to a running window.
std::vector<std::wstring> VmviewArguments(MenuCommand command, std::span<const SelectedItem> items);

// A command line of the program and its arguments, each quoted as
// CommandLineToArgvW reads it back.
std::wstring CommandLineOf(const std::wstring& program, std::span<const std::wstring> arguments);

}  // namespace app
