// Drives a running vmview.exe the way a user's actions would, and reads back
// what a user would see. One action per run:
//   vmview_driver find                       wait for the main window
//   vmview_driver rows                       the list's cells, a line per row, tab-separated
//   vmview_driver columns                    the list's column titles
//   vmview_driver text <control id>          a control's text
//   vmview_driver checked <control id>       1 or 0
//   vmview_driver visible <control id>       1 or 0
//   vmview_driver command <command id>       as if chosen from a menu or a button
//   vmview_driver click <control id>         a click on a button or check box
//   vmview_driver select <row>...            select these rows (none: select nothing)
//   vmview_driver handoff <path>...          the hand-off message of a second start
//   vmview_driver rawcopydata <tag> <bytes>  a WM_COPYDATA of that tag and length
//   vmview_driver drop <path>...             files dropped on the window
//   vmview_driver wait-idle                  until no row waits or is being hashed, nor a folder listed
//   vmview_driver resize <width> <height>    the window's outer size
//   vmview_driver rect <control id>          a control's client rectangle
//   vmview_driver settext <control id> <text> put text into a control, as typing would
//   vmview_driver clipboard <text>           put text on the clipboard
//   vmview_driver getclipboard               the clipboard's text
//   vmview_driver activate                   the window becomes the active one
//   vmview_driver link <control id> <index> [post]
//                                            click a link of a link control (0 = first); post:
//                                            without waiting, for a link that opens a dialog
//   vmview_driver linkrect <control id> <index>
//                                            where that link is on the screen: its columns, the control's rows
//   vmview_driver menubar                    the menu bar's row on the screen, a line high
//   vmview_driver post <command id>          a command that opens a dialog (does not wait)
//   vmview_driver filedialog <title> <path> <type index>
//                                            fill in and accept a file dialog of that title
//   vmview_driver message [button|keep]      the texts of the window's open task dialog,
//                                            a line each; then that button (OK if none) is
//                                            pressed, or with keep nothing is
//   vmview_driver dialog <title> type|text|click|select <control id> [text or index]
//                                            act on a control of another dialog of the program
//   vmview_driver menu <letter>              open a menu of the menu bar, as Alt and the letter do
//   vmview_driver escape                     press Esc
//   vmview_driver processes                  the file names of the running processes
//   vmview_driver close                      close the window, wait for the process
// Output is UTF-8; exit code 0 on success, 1 on failure.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr ULONG_PTR kHandOffTag = 0x4C504D56;
constexpr int kListId = 1021;
constexpr int kBannerId = 1020;

void Print(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// Dialog windows titled "Verimond": the main windows (the one with the file list) and message boxes.
std::vector<HWND> VerimondWindows() {
    std::vector<HWND> windows;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", L"Verimond"); window;
         window = FindWindowExW(nullptr, window, L"#32770", L"Verimond")) {
        windows.push_back(window);
    }
    return windows;
}

HWND FindMainWindow(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        // The dialog exists before the program shows it; what it shows is read only once it is shown.
        for (HWND window : VerimondWindows()) {
            if (GetDlgItem(window, kListId) && IsWindowVisible(window)) return window;
        }
        if (GetTickCount() - start > timeoutMs) throw std::runtime_error("no vmview window");
        Sleep(100);
    }
}

// Memory in the window's process, for messages whose pointers the system does not carry across.
class RemoteMemory {
public:
    RemoteMemory(HWND window, std::size_t size) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
        if (!process_) throw std::runtime_error("cannot open the vmview process");
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address_) throw std::runtime_error("cannot allocate in the vmview process");
    }
    ~RemoteMemory() {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t size) const {
        WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    void Read(std::size_t offset, void* data, std::size_t size) const {
        ReadProcessMemory(process_, At(offset), data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

constexpr std::size_t kTextCapacity = 1024;

std::wstring ItemText(HWND list, const RemoteMemory& memory, int row, int column) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kTextCapacity;
    item.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof item));
    memory.Write(0, &item, sizeof item);
    const auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    memory.Read(sizeof item, text.data(), text.size() * sizeof(wchar_t));
    return text;
}

int ColumnCount(HWND list) {
    return static_cast<int>(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
}

std::vector<std::vector<std::wstring>> Rows(HWND window, int listId = kListId) {
    const HWND list = GetDlgItem(window, listId);
    const RemoteMemory memory(window, sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t));
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int columns = ColumnCount(list);
    std::vector<std::vector<std::wstring>> cells;
    for (int row = 0; row < rows; ++row) {
        cells.emplace_back();
        for (int column = 0; column < columns; ++column) cells.back().push_back(ItemText(list, memory, row, column));
    }
    return cells;
}

std::wstring ControlText(HWND window, int id) {
    wchar_t text[4096] = {};
    SendDlgItemMessageW(window, id, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

void SendCopyData(HWND window, ULONG_PTR tag, const std::wstring& units, DWORD bytes) {
    COPYDATASTRUCT data{tag, bytes, const_cast<wchar_t*>(units.data())};
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &answer);
    Print(std::to_wstring(answer) + L"\n");
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[32768];
    const DWORD length = GetFullPathNameW(path, 32768, full, nullptr);
    return length ? std::wstring(full, length) : path;
}

// A drop as the shell makes it: a DROPFILES block with the paths, posted as
// WM_DROPFILES. The block has to be in the window's process, so it is written
// there; a fixed block is its own handle, and the window releases it.
void Drop(HWND window, int count, wchar_t** paths) {
    std::wstring list;
    for (int i = 0; i < count; ++i) list += FullPath(paths[i]) + L'\0';
    list += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!target) throw std::runtime_error("cannot open the vmview process");
    const std::size_t size = sizeof header + list.size() * sizeof(wchar_t);
    void* block = VirtualAllocEx(target, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    WriteProcessMemory(target, block, &header, sizeof header, nullptr);
    WriteProcessMemory(target, static_cast<char*>(block) + sizeof header, list.data(), list.size() * sizeof(wchar_t), nullptr);
    CloseHandle(target);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

// A dialog is found by its title as soon as it is created, before its
// WM_INITDIALOG has filled it; it is shown only after that.
HWND WaitForWindow(const wchar_t* title) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HWND found = FindWindowW(nullptr, title);
        if (found && IsWindowVisible(found)) return found;
        Sleep(100);
    }
    throw std::runtime_error("dialog did not open");
}

struct ChildSearch {
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindChildOfClass(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<ChildSearch*>(context);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, search->className) == 0 && IsWindowVisible(child)) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND FindChild(HWND parent, const wchar_t* className) {
    ChildSearch search{className};
    EnumChildWindows(parent, FindChildOfClass, reinterpret_cast<LPARAM>(&search));
    if (!search.found) throw std::runtime_error("dialog control not found");
    return search.found;
}

struct OwnedSearch {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<OwnedSearch*>(context);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (window != search->owner && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
        lstrcmpW(name, L"#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The main window's task dialog: a dialog window it owns.
HWND WaitForTaskDialog(HWND mainWindow) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        OwnedSearch search{mainWindow};
        EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    }
    throw std::runtime_error("no task dialog");
}

BOOL CALLBACK CollectTexts(HWND child, LPARAM context) {
    wchar_t text[2048] = {};
    GetWindowTextW(child, text, 2048);
    if (text[0] && IsWindowVisible(child)) reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(text);
    return TRUE;
}

// The system's file dialogs: the type list is their combo box, the file name their edit.
void FileDialog(const wchar_t* title, const std::wstring& path, int typeIndex) {
    const HWND dialog = WaitForWindow(title);
    Sleep(300);
    const HWND types = FindChild(dialog, L"ComboBox");
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(typeIndex), 0);
    SendMessageW(GetParent(types), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(types), CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
    const HWND name = FindChild(dialog, L"Edit");
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    for (int attempt = 0; attempt < 100 && IsWindow(dialog); ++attempt) Sleep(100);
}

void PrintRect(const RECT& rect) {
    Print(std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " + std::to_wstring(rect.right) + L" " +
          std::to_wstring(rect.bottom) + L"\n");
}

// The points across the middle of a one-line link control that are on its
// link of this index, found by asking the control (the question must live in
// its process).
std::vector<POINT> LinkPoints(HWND window, HWND control, int index) {
    RECT client;
    GetClientRect(control, &client);
    const RemoteMemory memory(window, sizeof(LHITTESTINFO));
    std::vector<POINT> points;
    for (int x = 0; x < client.right; ++x) {
        LHITTESTINFO hit{};
        hit.pt = {x, client.bottom / 2};
        memory.Write(0, &hit, sizeof hit);
        if (!SendMessageW(control, LM_HITTEST, 0, reinterpret_cast<LPARAM>(memory.At(0)))) continue;
        memory.Read(0, &hit, sizeof hit);
        if (hit.item.iLink == index) points.push_back(hit.pt);
    }
    return points;
}

bool AnyRowBusy(HWND window) {
    // A list's folder being listed for files it doesn't name: rows are yet to come.
    wchar_t notice[64] = {};
    GetDlgItemTextW(window, kBannerId, notice, 64);
    if (std::wstring_view(notice).starts_with(L"Looking for files")) return true;
    for (const auto& row : Rows(window)) {
        const std::wstring& status = row.back();
        if (status == L"Waiting" || status == L"Hashing") return true;
    }
    return false;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) throw std::runtime_error("no action");
    const std::wstring action = argv[1];
    if (action == L"lock") {  // holds a file open with no sharing, as a program using it would, for some seconds
        const HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("can't open the file to lock");
        Print(L"locked\n");
        Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
        CloseHandle(file);
        return 0;
    }
    const HWND window = FindMainWindow(action == L"find" ? 30000 : 5000);
    const auto id = [&] { return argc > 2 ? _wtoi(argv[2]) : 0; };
    if (action == L"find") {
        Print(L"found\n");
    } else if (action == L"rows") {
        for (const auto& row : Rows(window)) {
            std::wstring line;
            for (std::size_t i = 0; i < row.size(); ++i) line += (i ? L"\t" : L"") + row[i];
            Print(line + L"\n");
        }
    } else if (action == L"columns") {
        const HWND list = GetDlgItem(window, kListId);
        const RemoteMemory memory(window, sizeof(LVCOLUMNW) + kTextCapacity * sizeof(wchar_t));
        for (int column = 0; column < ColumnCount(list); ++column) {
            LVCOLUMNW spec{};
            spec.mask = LVCF_TEXT;
            spec.cchTextMax = kTextCapacity;
            spec.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof spec));
            memory.Write(0, &spec, sizeof spec);
            SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(memory.At(0)));
            wchar_t title[kTextCapacity] = {};
            memory.Read(sizeof spec, title, sizeof title - sizeof(wchar_t));
            Print(std::wstring(title) + L"\n");
        }
    } else if (action == L"text") {
        Print(ControlText(window, id()) + L"\n");
    } else if (action == L"checked") {
        Print(std::to_wstring(SendDlgItemMessageW(window, id(), BM_GETCHECK, 0, 0)) + L"\n");
    } else if (action == L"visible") {
        Print(std::wstring(IsWindowVisible(GetDlgItem(window, id())) ? L"1" : L"0") + L"\n");
    } else if (action == L"command") {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id(), 0), 0);
    } else if (action == L"click") {
        SendDlgItemMessageW(window, id(), BM_CLICK, 0, 0);
    } else if (action == L"select") {
        const HWND list = GetDlgItem(window, kListId);
        const RemoteMemory memory(window, sizeof(LVITEMW));
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        memory.Write(0, &item, sizeof item);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(memory.At(0)));
        item.state = LVIS_SELECTED;
        memory.Write(0, &item, sizeof item);
        for (int i = 2; i < argc; ++i) {
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(_wtoi(argv[i])), reinterpret_cast<LPARAM>(memory.At(0)));
        }
    } else if (action == L"handoff") {
        std::wstring list;
        for (int i = 2; i < argc; ++i) list += FullPath(argv[i]) + L'\0';
        SendCopyData(window, kHandOffTag, list, static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    } else if (action == L"rawcopydata") {
        const std::wstring units = L"C:\\windows\\win.ini";
        SendCopyData(window, static_cast<ULONG_PTR>(wcstoull(argv[2], nullptr, 0)), units, static_cast<DWORD>(_wtoi(argv[3])));
    } else if (action == L"drop") {
        Drop(window, argc - 2, argv + 2);
    } else if (action == L"wait-idle") {
        const DWORD start = GetTickCount();
        while (AnyRowBusy(window)) {
            if (GetTickCount() - start > 120000) throw std::runtime_error("rows still busy");
            Sleep(100);
        }
    } else if (action == L"resize") {
        SetWindowPos(window, nullptr, 0, 0, _wtoi(argv[2]), _wtoi(argv[3]), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (action == L"rect") {
        RECT rect;
        GetWindowRect(GetDlgItem(window, id()), &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        Print(std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " + std::to_wstring(rect.right) + L" " +
              std::to_wstring(rect.bottom) + L"\n");
    } else if (action == L"settext") {
        SendDlgItemMessageW(window, id(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    } else if (action == L"clipboard") {
        const std::wstring text = argv[2];
        const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        if (!OpenClipboard(nullptr)) throw std::runtime_error("clipboard busy");
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
    } else if (action == L"getclipboard") {
        if (!OpenClipboard(nullptr)) throw std::runtime_error("clipboard busy");
        if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            Print(static_cast<const wchar_t*>(GlobalLock(data)));
            GlobalUnlock(data);
        }
        CloseClipboard();
    } else if (action == L"activate") {
        SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    } else if (action == L"link") {
        const HWND control = GetDlgItem(window, id());
        const std::vector<POINT> points = LinkPoints(window, control, _wtoi(argv[3]));
        if (points.empty()) throw std::runtime_error("no such link");
        const LPARAM at = MAKELPARAM(points.front().x, points.front().y);
        if (argc > 4 && std::wstring(argv[4]) == L"post") {  // a link that opens a dialog
            PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(control, WM_LBUTTONUP, 0, at);
        } else {
            SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(control, WM_LBUTTONUP, 0, at);
        }
    } else if (action == L"linkrect") {  // where a link of a link control is, on the screen
        const HWND control = GetDlgItem(window, id());
        const std::vector<POINT> points = LinkPoints(window, control, _wtoi(argv[3]));
        if (points.empty()) throw std::runtime_error("no such link");
        RECT rect;
        GetClientRect(control, &rect);
        rect.left = points.front().x;
        rect.right = points.back().x + 1;
        MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        PrintRect(rect);
    } else if (action == L"post") {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id(), 0), 0);
    } else if (action == L"filedialog") {
        FileDialog(argv[2], argv[3], _wtoi(argv[4]));
    } else if (action == L"message") {
        const HWND dialog = WaitForTaskDialog(window);
        Sleep(300);
        std::vector<std::wstring> texts;
        EnumChildWindows(dialog, CollectTexts, reinterpret_cast<LPARAM>(&texts));
        for (const std::wstring& text : texts) Print(text + L"\n");
        // The button to press: OK unless named; "keep" leaves the dialog open.
        const std::wstring button = argc > 2 ? argv[2] : L"1";
        if (button != L"keep") PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(_wtoi(button.c_str()), BN_CLICKED), 0);
    } else if (action == L"dialog") {
        const HWND dialog = WaitForWindow(argv[2]);
        const std::wstring what = argv[3];
        const int control = _wtoi(argv[4]);
        if (what == L"type") {  // as typed, key by key
            for (const wchar_t* c = argv[5]; *c; ++c) SendDlgItemMessageW(dialog, control, WM_CHAR, *c, 0);
        } else if (what == L"text") {
            Print(ControlText(dialog, control));
        } else if (what == L"click") {
            SendDlgItemMessageW(dialog, control, BM_CLICK, 0, 0);
        } else if (what == L"rows") {  // a list view's cells, a tab between columns
            for (const auto& row : Rows(dialog, control)) {
                std::wstring line;
                for (std::size_t i = 0; i < row.size(); ++i) line += (i ? L"\t" : L"") + row[i];
                Print(line + L"\n");
            }
        } else if (what == L"pick") {  // selects one row of a list view, as a click does
            const HWND list = GetDlgItem(dialog, control);
            const RemoteMemory memory(dialog, sizeof(LVITEMW));
            LVITEMW item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            memory.Write(0, &item, sizeof item);
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(_wtoi(argv[5])), reinterpret_cast<LPARAM>(memory.At(0)));
        } else if (what == L"select") {
            SendDlgItemMessageW(dialog, control, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[5])), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
        }
    } else if (action == L"client") {  // the client area on the screen, of the window or of a dialog by title
        const HWND target = argc > 2 ? WaitForWindow(argv[2]) : window;
        RECT rect;
        GetClientRect(target, &rect);
        MapWindowPoints(target, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        PrintRect(rect);
    } else if (action == L"menubar") {  // the menu bar's row on the screen, above the client area
        // Wine answers GetMenuBarInfo only inside the menu's own process.
        RECT rect;
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        rect.bottom = rect.top;
        rect.top -= GetSystemMetrics(SM_CYMENU);
        PrintRect(rect);
    } else if (action == L"popup") {  // the open popup menu on the screen
        const HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) throw std::runtime_error("no menu is open");
        RECT rect;
        GetWindowRect(menu, &rect);
        PrintRect(rect);
    } else if (action == L"settingchange") {  // what Windows broadcasts when a setting changes
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(argv[2]), SMTO_ABORTIFHUNG, 5000, &result);
    } else if (action == L"menu") {  // a menu of the menu bar opens as with Alt and its letter
        PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, argv[2][0]);
    } else if (action == L"escape") {  // what the Esc key sends to the window's thread
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0);
    } else if (action == L"processes") {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            Print(std::wstring(entry.szExeFile) + L"\n");
        }
        CloseHandle(snapshot);
    } else if (action == L"close") {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (handle) {
            WaitForSingleObject(handle, 20000);
            CloseHandle(handle);
        }
    } else {
        throw std::runtime_error("unknown action");
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vmview_driver: %s\n", error.what());
        return 1;
    }
}
