// Source text as authors write it: scripts (.vxs) and settings (.ini) saved
// by today's editors as UTF-8, and the player's form of them, code page 932
// with CR LF line ends. Every reader of loose sources (the player, vxtool
// pack, lint, render and playtest) goes through SourceToCp932, so a file
// reads the same everywhere.
//
// Code page 932 Japanese text is practically never valid UTF-8, while UTF-8
// text often passes for code page 932 byte pairs: a file that is valid
// UTF-8 is therefore taken as UTF-8, anything else as code page 932 already.
#pragma once

#include <string>
#include <string_view>

#include "base/Bytes.h"

namespace vantel {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates);
// `nonAscii` tells whether any character is outside ASCII.
bool IsUtf8(std::string_view bytes, bool& nonAscii);

// The player's form of a source file. Text that is valid UTF-8 and holds a
// non-ASCII character or a bare LF line end is converted: code page 932,
// every line (the last one included) ended by CR LF, since the tokeniser
// drops story text after the last line end. Line ends are read as the
// script loader reads them (CR LF, LF CR, CR or LF: one each), so every line
// keeps its number. Anything else comes back as it
// is. A character with no code page 932 form raises DataError
// "name:line: ..." (`name` labels the file in the message).
Bytes SourceToCp932(std::string_view bytes, const std::string& name);

}  // namespace vantel
