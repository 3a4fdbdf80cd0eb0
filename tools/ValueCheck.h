// The value part of `kovrel-db check`: every stored value must be one the engine can read back.
#pragma once

#include <string>
#include <vector>

namespace kovreldb {

// For a file that already passed the engine's integrity and shape check: one line per column holding
// values the engine does not read back whole (dates that are not a day written 'YYYY-MM-DD', numbers
// not numeric, texts not text, longer than their size or holding a NUL), with the rows (rowids) that
// hold them. Empty when every value is sound.
std::vector<std::string> valueProblems(const std::string& path);

}  // namespace kovreldb
