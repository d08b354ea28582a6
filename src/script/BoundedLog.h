// Lists of error and log lines that stay small however long a faulty script
// runs. A script that loops through a bad tag reports it on every round,
// tens of thousands of times a second; kept one line each, the script's
// error list and the debugger's pending log would grow without end.
//
// A line equal to the last one is folded into it, which then counts the
// repeats: "12不明なコマンド<*x>です. (3回)" (the list itself holds the count,
// so a line that happens to end in such a count is taken for a folded one).
// Beyond kLogLinesKept lines the oldest go, a batch at a time, so an add
// costs O(1) amortised.
#pragma once

#include "base/Bytes.h"
#include "data/ClassSList.h"

namespace vantel {

// The most recent lines a bounded log keeps.
constexpr int kLogLinesKept = 4000;

// Adds `line` to `log`, folding a repeat of the last line and dropping the
// oldest lines beyond `keep` (at least 1).
void AddLogLine(TSlist& log, const Bytes& line, int keep = kLogLinesKept);

}  // namespace vantel
