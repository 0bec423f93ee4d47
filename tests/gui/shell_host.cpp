// A host for vmshell.dll, as Explorer would be one: loads the DLL by its path,
// makes its objects through DllGetClassObject and shows the Checksums page in
// a property sheet. Commands come a line each on standard input, their
// arguments separated by tabs; each gets one line of UTF-8 back.
//   open <file>...            a sheet with the page for these files
//   wait                      until the page hashes nothing: "idle" or "timeout"
//   text <control>            a control's text, line breaks as \n and backslashes doubled
//   visible <control>         1 or 0
//   rect <control>            its place on the screen: left top right bottom
//   set <control> <text>      put text into an edit box, as typing would
//   click <control>           press a button
//   clipboard <text>          put text on the clipboard
//   getclipboard              the clipboard's text, written as text's
//   close                     close the sheet
//   unload                    DllCanUnloadNow, asked until it says S_OK or 10 s pass
//   usage                     "<handles> <committed bytes>" of this process
//   contrast on|off           high contrast, with a black scheme's system colours
//   cycles <count> <file>     open, wait and close that many times
//   bare <count>              the same with a sheet of the page's template and no code of
//                             the DLL: what the sheet itself costs the host
//   menu <path>...            the menu entry's title, flags, and each command's title, tip and state
//   invoke <index> <path>...  that command of the entry, for these items: its HRESULT
//   properties <path>         the shell's own Properties dialog of the file, open on its last
//                             tab until the next close: its tabs' titles
//   quit
// Controls are named: details, verdict, notice, expected, progress, cancel, hash, paste, copy, open.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const wchar_t* kPageClass = L"{E66E602F-3A0F-4147-A590-EC59B687265F}";
constexpr const wchar_t* kCommandClass = L"{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}";
constexpr UINT WM_HOST_COMMAND = WM_APP + 100;

const std::map<std::wstring, int> kControls = {
    {L"details", 1001}, {L"progress", 1002}, {L"cancel", 1003}, {L"expected", 1005}, {L"paste", 1006},
    {L"verdict", 1007}, {L"notice", 1008},   {L"copy", 1009},   {L"open", 1010},     {L"hash", 1011}};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                                   nullptr, 0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

std::wstring Wide(const std::string& bytes) {
    if (bytes.empty()) return {};
    std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                                   nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        static_cast<int>(text.size()));
    return text;
}

std::vector<std::wstring> Split(const std::wstring& line) {
    std::vector<std::wstring> pieces;
    std::wstringstream stream(line);
    std::wstring piece;
    while (std::getline(stream, piece, L'\t')) pieces.push_back(piece);
    return pieces;
}

void Reply(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// One line: line breaks as \n, backslashes doubled.
std::string Escaped(const std::wstring& text) {
    std::string out;
    for (const char c : Utf8(text)) {
        if (c == '\r') continue;
        out += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return out;
}

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

template <typename T>
struct Releaser {
    void operator()(T* object) const { object->Release(); }
};
template <typename T>
using Com = std::unique_ptr<T, Releaser<T>>;

struct IdList {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using OwnedIdList = std::unique_ptr<ITEMIDLIST, IdList>;

class Host {
public:
    explicit Host(const std::wstring& dll) : module_(LoadLibraryW(dll.c_str())) {
        if (!module_) return;
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ =
            reinterpret_cast<decltype(canUnloadNow_)>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    }
    bool Loaded() const { return getClassObject_ && canUnloadNow_; }

    bool Waiting() const { return waiting_; }

    // Runs one command; a wait replies later, from Poll.
    void Run(const std::vector<std::wstring>& words) {
        const std::wstring& verb = words.front();
        const std::vector<std::wstring> rest(words.begin() + 1, words.end());
        if (verb == L"open") {
            Reply(Open(rest) ? "ok" : "failed");
        } else if (verb == L"wait") {
            waitStart_ = GetTickCount64();
            waiting_ = true;
            return;
        } else if (verb == L"text") {
            Reply(Escaped(ControlText(rest.at(0))));
        } else if (verb == L"rect") {
            RECT rect{};
            GetWindowRect(Control(rest.at(0)), &rect);
            Reply(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
                  std::to_string(rect.bottom));
        } else if (verb == L"visible") {
            Reply(GetWindowLongPtrW(Control(rest.at(0)), GWL_STYLE) & WS_VISIBLE ? "1" : "0");
        } else if (verb == L"set") {
            SetWindowTextW(Control(rest.at(0)), rest.size() > 1 ? rest[1].c_str() : L"");
            Reply("ok");
        } else if (verb == L"click") {
            SendMessageW(Control(rest.at(0)), BM_CLICK, 0, 0);
            Reply("ok");
        } else if (verb == L"getclipboard") {
            Reply(Escaped(ClipboardText()));
        } else if (verb == L"clipboard") {
            Reply(SetClipboard(rest.empty() ? L"" : rest[0]) ? "ok" : "failed");
        } else if (verb == L"close") {
            Close();
            Reply("closed");
        } else if (verb == L"unload") {
            Reply(Unload());
        } else if (verb == L"contrast") {
            Reply(Contrast(rest.at(0) == L"on"));
        } else if (verb == L"usage") {
            Reply(Usage());
        } else if (verb == L"cycles") {
            Reply(Cycles(std::stoi(rest.at(0)), rest.at(1)));
        } else if (verb == L"bare") {
            Reply(BareCycles(std::stoi(rest.at(0))));
        } else if (verb == L"menu") {
            Reply(Menu(rest));
        } else if (verb == L"invoke") {
            Reply(Invoke(std::stoul(rest.at(0)), {rest.begin() + 1, rest.end()}));
        } else if (verb == L"properties") {
            Reply(Properties(rest.at(0)));
        } else {
            Reply("unknown command");
        }
    }

    // Called as messages come: ends a wait when the page has nothing left to hash.
    void Poll() {
        if (!waiting_) return;
        if (Idle()) {
            waiting_ = false;
            Reply("idle");
        } else if (GetTickCount64() - waitStart_ > 120000) {
            waiting_ = false;
            Reply("timeout");
        }
    }

    bool IsSheetMessage(MSG& message) { return sheet_ && PropSheet_IsDialogMessage(sheet_, &message); }

private:
    template <typename Interface>
    Com<Interface> Create(const wchar_t* classText) {
        CLSID id{};
        CLSIDFromString(classText, &id);
        IClassFactory* rawFactory = nullptr;
        if (FAILED(getClassObject_(id, IID_IClassFactory, reinterpret_cast<void**>(&rawFactory)))) return nullptr;
        const Com<IClassFactory> factory(rawFactory);
        Interface* object = nullptr;
        if (FAILED(factory->CreateInstance(nullptr, __uuidof(Interface), reinterpret_cast<void**>(&object)))) return nullptr;
        return Com<Interface>(object);
    }

    // A shell object for files of one folder, as Explorer gets it: the data object it
    // hands to Properties, or the files' context menu.
    template <typename Interface>
    static Com<Interface> UiObjectOf(const std::vector<std::wstring>& paths) {
        std::vector<OwnedIdList> lists;
        std::vector<PCUITEMID_CHILD> children;
        Com<IShellFolder> parent;
        for (const std::wstring& path : paths) {
            PIDLIST_ABSOLUTE list = nullptr;
            if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &list, 0, nullptr))) return nullptr;
            lists.emplace_back(list);
            IShellFolder* folder = nullptr;
            PCUITEMID_CHILD child = nullptr;
            if (FAILED(SHBindToParent(list, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) return nullptr;
            parent.reset(folder);
            children.push_back(child);
        }
        Interface* object = nullptr;
        if (!parent || FAILED(parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                                    __uuidof(Interface), nullptr, reinterpret_cast<void**>(&object)))) {
            return nullptr;
        }
        return Com<Interface>(object);
    }

    static Com<IShellItemArray> ItemArrayOf(const std::vector<std::wstring>& paths) {
        std::vector<OwnedIdList> lists;
        std::vector<PCIDLIST_ABSOLUTE> pointers;
        for (const std::wstring& path : paths) {
            PIDLIST_ABSOLUTE list = nullptr;
            if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &list, 0, nullptr))) return nullptr;
            lists.emplace_back(list);
            pointers.push_back(list);
        }
        IShellItemArray* array = nullptr;
        if (FAILED(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(pointers.size()), pointers.data(), &array))) {
            return nullptr;
        }
        return Com<IShellItemArray>(array);
    }

    static BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM pages) {
        reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(pages)->push_back(page);
        return TRUE;
    }

    bool Open(const std::vector<std::wstring>& files) {
        Close();
        const Com<IShellExtInit> init = Create<IShellExtInit>(kPageClass);
        const Com<IDataObject> data = UiObjectOf<IDataObject>(files);
        if (!init || !data || FAILED(init->Initialize(nullptr, data.get(), nullptr))) return false;
        Com<IShellPropSheetExt> sheetExtension;
        IShellPropSheetExt* raw = nullptr;
        if (FAILED(init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&raw)))) return false;
        sheetExtension.reset(raw);
        std::vector<HPROPSHEETPAGE> pages;
        if (FAILED(sheetExtension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages))) || pages.empty()) return false;
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = L"Checksums test host";
        header.nPages = static_cast<UINT>(pages.size());
        header.phpage = pages.data();
        sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
        if (!sheet_) return false;
        SetWindowPos(sheet_, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        page_ = PropSheet_GetCurrentPageHwnd(sheet_);
        return page_ != nullptr;
    }

    void Close() {
        if (shellSheet_) {
            PostMessageW(shellSheet_, WM_CLOSE, 0, 0);
            shellSheet_ = nullptr;
            Pump(500);
        }
        if (!sheet_) return;
        DestroyWindow(sheet_);
        sheet_ = nullptr;
        page_ = nullptr;
        Pump(200);
    }

    static void Pump(DWORD milliseconds) {
        const ULONGLONG end = GetTickCount64() + milliseconds;
        while (GetTickCount64() < end) {
            // Commands stay queued for the main loop.
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, WM_HOST_COMMAND - 1, PM_REMOVE) ||
                   PeekMessageW(&message, nullptr, WM_HOST_COMMAND + 1, 0xFFFFFFFF, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }

    HWND Control(const std::wstring& name) const {
        const auto found = kControls.find(name);
        return found == kControls.end() || !page_ ? nullptr : GetDlgItem(page_, found->second);
    }

    std::wstring ControlText(const std::wstring& name) const {
        const HWND control = Control(name);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    // The page shows Cancel while it hashes; the style, not the sheet's own visibility, says so.
    bool Idle() const { return page_ && !(GetWindowLongPtrW(Control(L"cancel"), GWL_STYLE) & WS_VISIBLE); }

    static std::wstring ClipboardText() {
        if (!OpenClipboard(nullptr)) return L"";
        std::wstring text;
        if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = units;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        return text;
    }

    // The clipboard needs an owner window for SetClipboardData to take the text.
    static bool SetClipboard(const std::wstring& text) {
        static const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (!OpenClipboard(owner)) return false;
        EmptyClipboard();
        const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        bool set = false;
        if (memory) {
            std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
            GlobalUnlock(memory);
            set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!set) GlobalFree(memory);
        }
        CloseClipboard();
        return set;
    }

    std::string Unload() const {
        const ULONGLONG end = GetTickCount64() + 10000;
        HRESULT answer = canUnloadNow_();
        while (answer != S_OK && GetTickCount64() < end) {
            Pump(50);
            answer = canUnloadNow_();
        }
        return answer == S_OK ? "S_OK" : "S_FALSE";
    }

    // Handles counted one by one, as Wine has no count of its own; memory as the
    // bytes committed to the process.
    static std::string Usage() {
        std::size_t handles = 0;
        for (std::uintptr_t value = 4; value < 0x20000; value += 4) {
            DWORD flags = 0;
            if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++handles;
        }
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        return std::to_string(handles) + " " + std::to_string(memory.PagefileUsage);
    }

    // High contrast on or off, with the system colours of a black scheme or the given defaults.
    // Windows draws without visual styles in high contrast; so do the sheets made after this.
    static std::string Contrast(bool on) {
        SetThemeAppProperties(on ? 0 : STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS | STAP_ALLOW_WEBCONTENT);
        HIGHCONTRASTW contrast{};
        contrast.cbSize = sizeof contrast;
        contrast.dwFlags = on ? HCF_HIGHCONTRASTON : 0;
        const BOOL set = SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof contrast, &contrast, SPIF_SENDCHANGE);
        static const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT,
                                       COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT, COLOR_HOTLIGHT};
        static COLORREF saved[std::size(elements)];
        static bool changed = false;
        const COLORREF black[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255),
                                  RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 63), RGB(255, 255, 0)};
        if (on && !changed) {
            for (std::size_t i = 0; i < std::size(elements); ++i) saved[i] = GetSysColor(elements[i]);
            SetSysColors(static_cast<int>(std::size(elements)), elements, black);
            changed = true;
        } else if (!on && changed) {
            SetSysColors(static_cast<int>(std::size(elements)), elements, saved);
            changed = false;
        }
        HIGHCONTRASTW now{};
        now.cbSize = sizeof now;
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof now, &now, 0);
        return std::string(set ? "set " : "not set ") + ((now.dwFlags & HCF_HIGHCONTRASTON) ? "on" : "off");
    }

    std::string Cycles(int count, const std::wstring& file) {
        for (int i = 0; i < count; ++i) {
            if (!Open({file})) return "failed at " + std::to_string(i);
            const ULONGLONG end = GetTickCount64() + 30000;
            while (!Idle() && GetTickCount64() < end) Pump(10);
            Close();
        }
        return "done";
    }

    static INT_PTR CALLBACK BarePage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

    std::string BareCycles(int count) {
        for (int i = 0; i < count; ++i) {
            PROPSHEETPAGEW sheetPage{};
            sheetPage.dwSize = sizeof sheetPage;
            sheetPage.hInstance = module_;
            sheetPage.pszTemplate = MAKEINTRESOURCEW(100);
            sheetPage.pfnDlgProc = BarePage;
            HPROPSHEETPAGE page = CreatePropertySheetPageW(&sheetPage);
            PROPSHEETHEADERW header{};
            header.dwSize = sizeof header;
            header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
            header.pszCaption = L"Checksums test host";
            header.nPages = 1;
            header.phpage = &page;
            sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
            if (!sheet_) return "failed at " + std::to_string(i);
            Pump(50);
            Close();
        }
        return "done";
    }

    std::string Menu(const std::vector<std::wstring>& paths) {
        const Com<IExplorerCommand> entry = Create<IExplorerCommand>(kCommandClass);
        const Com<IShellItemArray> items = ItemArrayOf(paths);
        if (!entry || !items) return "failed";
        std::string reply = Describe(*entry, items.get());
        EXPCMDFLAGS flags = 0;
        entry->GetFlags(&flags);
        reply += "\tflags=" + std::to_string(flags);
        IEnumExplorerCommand* rawCommands = nullptr;
        if (FAILED(entry->EnumSubCommands(&rawCommands))) return reply;
        const Com<IEnumExplorerCommand> commands(rawCommands);
        IExplorerCommand* raw = nullptr;
        ULONG fetched = 0;
        while (commands->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
            const Com<IExplorerCommand> command(raw);
            reply += "\t" + Describe(*command, items.get());
        }
        return reply;
    }

    // "title|tip|state": the state as Explorer's thread first asks, then as its worker thread.
    static std::string Describe(IExplorerCommand& command, IShellItemArray* items) {
        PWSTR title = nullptr;
        PWSTR tip = nullptr;
        std::string text = SUCCEEDED(command.GetTitle(items, &title)) && title ? Utf8(title) : "?";
        CoTaskMemFree(title);
        text += "|";
        if (SUCCEEDED(command.GetToolTip(items, &tip)) && tip) text += Utf8(tip);
        CoTaskMemFree(tip);
        EXPCMDSTATE state = 0;
        HRESULT result = command.GetState(items, FALSE, &state);
        if (result == E_PENDING) result = command.GetState(items, TRUE, &state);
        text += "|" + (FAILED(result) ? Hex(result) : state == ECS_HIDDEN ? std::string("hidden") : std::string("shown"));
        return text;
    }

    std::string Invoke(std::size_t index, const std::vector<std::wstring>& paths) {
        const Com<IExplorerCommand> entry = Create<IExplorerCommand>(kCommandClass);
        const Com<IShellItemArray> items = ItemArrayOf(paths);
        IEnumExplorerCommand* rawCommands = nullptr;
        if (!entry || !items || FAILED(entry->EnumSubCommands(&rawCommands))) return "failed";
        const Com<IEnumExplorerCommand> commands(rawCommands);
        if (index > 0 && commands->Skip(static_cast<ULONG>(index)) != S_OK) return "no such command";
        IExplorerCommand* raw = nullptr;
        ULONG fetched = 0;
        if (commands->Next(1, &raw, &fetched) != S_OK) return "no such command";
        const Com<IExplorerCommand> command(raw);
        return Hex(command->Invoke(items.get(), nullptr));
    }

    static BOOL CALLBACK CollectSheets(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && PropSheet_GetTabControl(window)) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
    }

    // The shell's dialog is modal: a thread of its own shows it while this one looks for it.
    std::string Properties(const std::wstring& path) {
        std::thread([path] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            // As Explorer does it: the file's context menu, its "properties" verb.
            if (const Com<IContextMenu> menu = UiObjectOf<IContextMenu>({path})) {
                CMINVOKECOMMANDINFO invoke{};
                invoke.cbSize = sizeof invoke;
                invoke.lpVerb = "properties";
                invoke.nShow = SW_SHOWNORMAL;
                menu->InvokeCommand(&invoke);
            }
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            CoUninitialize();
        }).detach();
        std::vector<HWND> sheets;
        const ULONGLONG end = GetTickCount64() + 20000;
        while (sheets.empty() && GetTickCount64() < end) {
            Pump(100);
            EnumWindows(CollectSheets, reinterpret_cast<LPARAM>(&sheets));
        }
        if (sheets.empty()) return "no sheet";
        const HWND tabs = PropSheet_GetTabControl(sheets.front());
        std::string titles;
        for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
            wchar_t text[128] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 127;
            TabCtrl_GetItem(tabs, i, &item);
            titles += (i ? "\t" : "") + Utf8(text);
        }
        // The last tab shown, until the next close.
        PropSheet_SetCurSel(sheets.front(), nullptr, TabCtrl_GetItemCount(tabs) - 1);
        shellSheet_ = sheets.front();
        return titles;
    }

    HMODULE module_;
    HRESULT(__stdcall* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(__stdcall* canUnloadNow_)() = nullptr;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND shellSheet_ = nullptr;
    bool waiting_ = false;
    ULONGLONG waitStart_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: shell_host <vmshell.dll>\n", stderr);
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 1;
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    Host host(argv[1]);
    if (!host.Loaded()) {
        std::fputs("vmshell.dll couldn't be loaded\n", stderr);
        return 1;
    }
    // Lines are read on a thread of their own, so the sheet's messages keep flowing meanwhile.
    const DWORD mainThread = GetCurrentThreadId();
    std::thread reader([mainThread] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            auto* words = std::make_unique<std::vector<std::wstring>>(Split(Wide(line))).release();
            while (!PostThreadMessageW(mainThread, WM_HOST_COMMAND, 0, reinterpret_cast<LPARAM>(words))) Sleep(10);
        }
        auto* quit = std::make_unique<std::vector<std::wstring>>(1, L"quit").release();
        while (!PostThreadMessageW(mainThread, WM_HOST_COMMAND, 0, reinterpret_cast<LPARAM>(quit))) Sleep(10);
    });
    reader.detach();
    // A tick keeps a wait's checks going while the page is quiet.
    SetTimer(nullptr, 0, 100, nullptr);
    // Commands that come during a wait run after it, in order.
    std::deque<std::vector<std::wstring>> queued;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_HOST_COMMAND && !message.hwnd) {
            const std::unique_ptr<std::vector<std::wstring>> words(reinterpret_cast<std::vector<std::wstring>*>(message.lParam));
            if (!words->empty()) queued.push_back(*words);
        } else if (!host.IsSheetMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        host.Poll();
        while (!host.Waiting() && !queued.empty()) {
            const std::vector<std::wstring> words = std::move(queued.front());
            queued.pop_front();
            if (words.front() == L"quit") return 0;
            host.Run(words);
        }
    }
    return 0;
}
