// vmsum's writers: UTF-16 to a console, UTF-8 without byte-order mark to files
// and pipes. Each call is one unbuffered write; failures are ignored, and a
// closed standard handle makes the writes do nothing.
#pragma once

#include <string_view>

namespace cli {

enum class StdStream { Output, Error };

void WriteStd(StdStream stream, std::wstring_view text);

// Standard output, text unchanged.
void WriteOut(std::wstring_view text);

// Standard output, text and LF.
void WriteOutLine(std::wstring_view text);

// Standard error, text and CR LF.
void WriteErrLine(std::wstring_view text);

}  // namespace cli
