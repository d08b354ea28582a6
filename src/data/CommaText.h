// Comma text: the comma-separated form of a list of fields in which every
// state record (save data, layer states, sound states) is written.
//
// Splitting: leading blanks and control characters are skipped; a field that
// starts with '"' runs to the matching closing quote ("" inside stands for
// one quote; a missing closing quote runs the field to the end); an unquoted
// field ends at ',' or at any byte <= 32; blanks around commas are skipped;
// a comma at the very end adds one empty field. Joining: fields separated by
// ',', a field holding a byte <= 32, a quote or a comma is quoted with inner
// quotes doubled; a list of one empty field joins to "". Records nest by
// quoting. Quote, comma and control bytes are never trail bytes in code page
// 932 or GBK, so the rules apply bytewise. Nothing here fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

// At most `maxFields` fields: the splitting stops there, so reading the
// head of a long record costs no more than the head.
std::vector<Bytes> SplitCommaText(std::string_view text, size_t maxFields = SIZE_MAX);
Bytes JoinCommaText(const std::vector<Bytes>& fields);
// One field written as comma text would write it (quoted when needed).
Bytes QuoteCommaField(std::string_view field);

}  // namespace vantel
