#include "checksums/output_format.h"

#include "engine/text.h"

namespace vms {

std::optional<OutputFormat> ParseFormatName(std::wstring_view name) {
    struct Name {
        std::wstring_view text;
        OutputFormat format;
    };
    static constexpr Name kNames[] = {
        {L"gnu", OutputFormat::Gnu}, {L"bsd", OutputFormat::Bsd}, {L"tag", OutputFormat::Bsd},
        {L"sfv", OutputFormat::Sfv}, {L"csv", OutputFormat::Csv}, {L"json", OutputFormat::Json},
    };
    for (const Name& entry : kNames) {
        if (EqualsIgnoreCase(name, entry.text)) return entry.format;
    }
    return std::nullopt;
}

}  // namespace vms
