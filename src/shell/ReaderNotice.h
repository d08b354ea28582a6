// ReaderNotice: how the player speaks to the reader, and to whoever reads
// its logs, one language each.
//
// The reader sees the player's own Chinese texts (GBK) under one caption,
// the game's. What an error says in detail (library words, byte counts,
// file offsets) is English and goes to standard error and the debugger's
// message box, never into a box the reader reads. File names may stand in
// a reader's text: they are the reader's own.
//
// Depends on the platform (message boxes) and Global (the debugger's log,
// when there is one). Nothing here fails.
#pragma once

#include <string>

#include "base/Bytes.h"

namespace vantel {

// The game's caption, GBK: the main window's and every notice's.
const Bytes& GameCaption();
// "vantel: DETAIL" on standard error and, when the debugger can show it,
// in its message box.
void LogDetail(const std::string& detail);
// A warning box with `gbkText` under the game's caption; `detail`, when
// given, is logged as LogDetail does.
void TellReader(const Bytes& gbkText, const std::string& detail = std::string());
// `utf8` (a file name or path) in GBK for a reader's text; shown as it is
// when the code page cannot hold it.
Bytes GbkName(const std::string& utf8);

}  // namespace vantel
