// The value part of `kovrel-db check`: every stored value must be one the engine can read back.
#pragma once

#include <string>
#include <vector>

namespace kovreldb {

// For a file that already passed the engine's integrity and shape check: one line per column holding
// values of the wrong kind (dates not 'YYYY-MM-DD', numbers not numeric, texts not text or longer than
// their size). Empty when every value is sound.
std::vector<std::string> valueProblems(const std::string& path);

}  // namespace kovreldb
