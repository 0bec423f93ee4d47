#include "gui/logic/hash_text.h"

#include "engine/hasher.h"
#include "engine/text.h"

namespace app {

std::vector<std::uint8_t> TextBytes(std::wstring_view text, TextEncoding encoding, LineBreaks breaks, bool finalBreak) {
    std::wstring units;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
        if (breaks == LineBreaks::Unix && crBeforeLf) continue;
        units += text[i];
    }
    if (finalBreak) units += breaks == LineBreaks::Unix ? L"\n" : L"\r\n";
    if (encoding == TextEncoding::Utf8) {
        const std::string utf8 = vms::ToUtf8(units);
        return {utf8.begin(), utf8.end()};
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (wchar_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::wstring HashTextResult(const std::vector<std::uint8_t>& bytes, vms::AlgorithmMask algorithms, bool upper) {
    std::wstring result;
    for (vms::AlgorithmId id : vms::AlgorithmsInMask(algorithms)) {
        if (!result.empty()) result += L"\r\n";
        result += std::wstring(vms::GetAlgorithm(id).displayName) + L":\t" + vms::DigestToHexW(vms::HashBytes(id, bytes), upper);
    }
    return result + L"\r\n\r\n" + std::to_wstring(bytes.size()) + (bytes.size() == 1 ? L" byte" : L" bytes");
}

std::wstring DigestLinesOf(const std::wstring& result) {
    const std::size_t blank = result.find(L"\r\n\r\n");
    return blank == std::wstring::npos ? result : result.substr(0, blank);
}

}  // namespace app
