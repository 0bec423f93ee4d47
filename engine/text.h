// Path and text helpers shared by both programs. They hold no state and never
// fail on bad input; only memory exhaustion throws (std::bad_alloc).
#pragma once

#include <string>
#include <string_view>

namespace vms {

// The extended-length form ("\\?\C:\..." or "\\?\UNC\server\...") of a path,
// resolved against the current directory. Paths that already start with
// "\\?\" or "\\.\" come back unchanged, as does any path the system cannot resolve.
std::wstring ToLongPath(const std::wstring& path);

// The full path of a loaded module, a void* for its HMODULE (null: the
// program); empty when it can't be read.
std::wstring ModuleFileName(void* module);

// UTF-8 to UTF-16; invalid sequences become the replacement character.
std::wstring FromUtf8(std::string_view utf8);

// UTF-16 to UTF-8; unpaired surrogates are converted as the system does.
std::string ToUtf8(std::wstring_view text);

// Decodes a text file of unknown encoding: a UTF-8 or UTF-16 (either byte
// order) byte-order mark decides, else strict UTF-8, else the ANSI code page.
// The byte-order mark is never part of the result.
std::wstring DecodeText(std::string_view bytes);

// Narrows the view past blanks at both ends: space, tab, LF, CR, no-break
// space, byte-order mark and zero-width space (not vertical tab or form feed).
std::wstring_view TrimText(std::wstring_view text);

// A copy with every unit passed through towlower.
std::wstring ToLowerW(std::wstring_view text);

// Ordinal comparisons that ignore case.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
bool EndsWithIgnoreCase(std::wstring_view text, std::wstring_view suffix);

}  // namespace vms
