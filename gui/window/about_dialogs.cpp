#include "gui/window/about_dialogs.h"

#include "gui/window/resource.h"

#include "verimond_version.h"

namespace app {

std::wstring InstallationLine(bool installed, const std::wstring& programFolder) {
    return (installed ? L"Installed in " : L"Portable copy in ") + programFolder;
}

MessageDialogOptions AboutDialog(bool installed, const std::wstring& programFolder) {
    MessageDialogOptions options;
    options.title = L"About Verimond";
    options.instruction = L"Verimond " VM_VERSION_WTEXT;
    options.iconResource = IDI_APP;
    options.content = L"Copyright \u00A9 2026 Zentaro. All rights reserved.\nFreeware from Zentaro.\n\n" +
                      InstallationLine(installed, programFolder) +
                      L"\n\n<a href=\"" VM_PROJECT_URL_WTEXT L"\">" VM_PROJECT_URL_WTEXT L"</a>    "
                      L"<a href=\"mailto:support@verimond.example\">support@verimond.example</a>";
    options.footer = L"Built with BLAKE3 (CC0 1.0 or Apache 2.0) and xxHash (BSD 2-Clause); icons from the Verimond "
                     L"icon set (CC0 1.0). Other algorithms come from Windows.";
    options.commonButtons = TDCBF_OK_BUTTON;
    return options;
}

MessageDialogOptions CommandLineToolDialog(bool vmsumPresent, const std::wstring& programFolder) {
    MessageDialogOptions options;
    options.title = L"Command-Line Tool";
    options.instruction = L"Command-line tool (vmsum)";
    options.iconResource = IDI_SIGNATURE;
    options.commandLinks = true;
    options.commonButtons = TDCBF_CLOSE_BUTTON;
    options.content =
        L"vmsum calculates and verifies checksums in a command prompt, in scripts and in batch files. Its checksum "
        L"files also work with Linux sha256sum.\n\nvmsum setup.exe\nvmsum -a md5,sha256 -r C:\\Downloads > "
        L"checksums.txt\nvmsum -c SHA256SUMS\nvmsum --expect <hash> setup.exe\n\nRun vmsum --help for all options.";
    if (vmsumPresent) {
        options.footer = L"vmsum.exe is in the program folder, next to vmview.exe: " + programFolder;
        options.buttons = {{kOpenCommandPrompt, L"Open a command prompt here\nIn the program folder, ready to run vmsum"},
                           {kOpenProgramFolder, L"Open the program folder"}};
    } else {
        options.footer = L"vmsum.exe comes with the setup and in the portable verimond-" VM_VERSION_WTEXT L"-win64.zip.";
        options.buttons = {{kGetVmsum, L"Get vmsum\nOpens the Verimond page"}};
    }
    return options;
}

}  // namespace app
