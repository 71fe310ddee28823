#pragma once

#include <string>
#include <string_view>

namespace Host {

// Appends the UTF-8 form of the UTF-16 `text` to `out`. An unpaired surrogate becomes
// `unpaired` (U+FFFD for text shown to a font), or, when `unpaired` is 0, fails the
// conversion (a file name with one names no file here); `out` is then unspecified.
bool AppendUtf8(std::u16string_view text, std::string& out, char32_t unpaired);

}  // namespace Host
