#include "gui/window/about_dialogs.h"
#include "gui/system/explorer_integration.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <set>

namespace app {
namespace {

constexpr const wchar_t* kProgram = L"C:\\Tools\\Verimond\\vmview.exe";

FileExists Existing(std::set<std::wstring> files) {
    return [files = std::move(files)](const std::wstring& path) { return files.contains(path); };
}

TEST(ExplorerIntegration, ContextMenuStates) {
    const FileExists other = Existing({L"D:\\Other\\vmview.exe"});
    EXPECT_EQ(ContextMenuStateOf(L"", L"", kProgram, other), IntegrationState::Absent);
    EXPECT_EQ(ContextMenuStateOf(L"\"C:\\Tools\\Verimond\\vmview.exe\" \"%1\"", L"", kProgram, other), IntegrationState::ThisCopy);
    EXPECT_EQ(ContextMenuStateOf(L"\"c:\\tools\\verimond\\VMVIEW.EXE\" \"%1\"", L"", kProgram, other), IntegrationState::ThisCopy);
    // The same folder under another file name is this copy, renamed.
    EXPECT_EQ(ContextMenuStateOf(L"\"C:\\Tools\\Verimond\\vmview-old.exe\" \"%1\"", L"", kProgram, other), IntegrationState::ThisCopy);
    EXPECT_EQ(ContextMenuStateOf(L"\"D:\\Other\\vmview.exe\" \"%1\"", L"", kProgram, other), IntegrationState::OtherCopy);
    EXPECT_EQ(ContextMenuStateOf(L"\"E:\\Moved\\vmview.exe\" \"%1\"", L"", kProgram, other), IntegrationState::Stale);
    EXPECT_EQ(ContextMenuStateOf(L"D:\\Other\\vmview.exe %1", L"", kProgram, other), IntegrationState::OtherCopy);
    EXPECT_EQ(ContextMenuStateOf(L"\"D:\\Other\\vmview.exe", L"", kProgram, other), IntegrationState::OtherCopy);
    // An entry for all users counts only when the current user has none, and is never stale.
    EXPECT_EQ(ContextMenuStateOf(L"", L"\"E:\\Gone\\vmview.exe\" \"%1\"", kProgram, other), IntegrationState::MachineWide);
    EXPECT_EQ(ContextMenuStateOf(L"\"E:\\Moved\\vmview.exe\" \"%1\"", L"\"D:\\Other\\vmview.exe\" \"%1\"", kProgram, other),
              IntegrationState::Stale);
}

TEST(ExplorerIntegration, ShortcutStatesAndInstallLocation) {
    const FileExists other = Existing({L"D:\\Other\\vmview.exe"});
    EXPECT_EQ(ShortcutStateOf(kProgram, kProgram, other), IntegrationState::ThisCopy);
    EXPECT_EQ(ShortcutStateOf(L"D:\\Other\\vmview.exe", kProgram, other), IntegrationState::OtherCopy);
    EXPECT_EQ(ShortcutStateOf(L"E:\\Moved\\vmview.exe", kProgram, other), IntegrationState::Stale);
    EXPECT_EQ(ShortcutStateOf(L"", kProgram, other), IntegrationState::Stale);

    EXPECT_TRUE(IsInstallLocation(L"C:\\Tools\\Verimond\\", L"C:\\Tools\\Verimond"));
    EXPECT_TRUE(IsInstallLocation(L"c:\\tools\\verimond/\\", L"C:\\Tools\\Verimond"));
    EXPECT_FALSE(IsInstallLocation(L"C:\\Tools", L"C:\\Tools\\Verimond"));
    EXPECT_FALSE(IsInstallLocation(L"", L"C:\\Tools\\Verimond"));
}

TEST(ExplorerIntegration, ThisProgramsEntriesRoundTripThroughTheRegistryAndTheShell) {
    ASSERT_TRUE(SetContextMenu(true));
    EXPECT_EQ(ContextMenuState(), IntegrationState::ThisCopy);
    ASSERT_TRUE(SetContextMenu(false));
    EXPECT_EQ(ContextMenuState(), IntegrationState::Absent);
    EXPECT_TRUE(SetContextMenu(false));  // nothing left to remove is no failure

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ASSERT_TRUE(SetSendTo(true));
    EXPECT_EQ(SendToState(), IntegrationState::ThisCopy);
    ASSERT_TRUE(SetSendTo(false));
    EXPECT_EQ(SendToState(), IntegrationState::Absent);
    EXPECT_TRUE(SetSendTo(false));
    CoUninitialize();

    EXPECT_FALSE(IsPackaged());
    EXPECT_FALSE(IsInstalledCopy());
}

TEST(AboutDialogs, TextsFollowTheCopyAndWhatLiesBesideIt) {
    EXPECT_EQ(InstallationLine(true, L"C:\\Program Files\\Verimond"), L"Installed in C:\\Program Files\\Verimond");
    EXPECT_EQ(InstallationLine(false, L"D:\\USB\\Verimond"), L"Portable copy in D:\\USB\\Verimond");
    const MessageDialogOptions about = AboutDialog(false, L"D:\\USB\\Verimond");
    EXPECT_EQ(about.title, L"About Verimond");
    EXPECT_EQ(about.instruction, L"Verimond 2.0.0");
    EXPECT_NE(about.content.find(L"\nFreeware from Zentaro.\n\nPortable copy in D:\\USB\\Verimond\n\n<a href="), std::wstring::npos);
    EXPECT_TRUE(about.footer.ends_with(L"Other algorithms come from Windows."));

    const MessageDialogOptions present = CommandLineToolDialog(true, L"D:\\USB\\Verimond");
    EXPECT_EQ(present.title, L"Command-Line Tool");
    EXPECT_TRUE(present.commandLinks);
    ASSERT_EQ(present.buttons.size(), 2u);
    EXPECT_EQ(present.buttons[0].id, kOpenCommandPrompt);
    EXPECT_EQ(present.buttons[1].id, kOpenProgramFolder);
    EXPECT_EQ(present.footer, L"vmsum.exe is in the program folder, next to vmview.exe: D:\\USB\\Verimond");

    const MessageDialogOptions missing = CommandLineToolDialog(false, L"D:\\USB\\Verimond");
    ASSERT_EQ(missing.buttons.size(), 1u);
    EXPECT_EQ(missing.buttons[0].id, kGetVmsum);
    EXPECT_EQ(missing.buttons[0].text, L"Get vmsum\nOpens the Verimond page");
    EXPECT_EQ(missing.content, present.content);
}

}  // namespace
}  // namespace app
