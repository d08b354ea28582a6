// PageText: the text of a page as a listener hears it and as a clipboard
// takes it, from the line form the interpreter hands the story ("*" lines
// are markup: *br, *r,text,READING ... */r, *font, *i, *b).
//
// Depends on base byte strings only. Fails: never; markup it does not know
// is dropped.
#pragma once

#include <string_view>

#include "base/Bytes.h"

namespace vantel {

// What self-voicing says: the text with every ruby reading in place of the
// base text it annotates (a reader hears the reading), markup dropped, a
// line break as a space.
Bytes SpokenText(std::string_view page);
// What goes on the clipboard: the base text without markup (ruby keeps its
// base text), a line break as "\n".
Bytes PlainText(std::string_view page);

}  // namespace vantel
