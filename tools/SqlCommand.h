// `kovrel-db sql`: runs one SQL text through the engine the way the program's queries do and prints it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kovreldb {

// Joins `lines` as a query's SQL list does, runs the text with DIR as the working directory and writes
// the result to `out`: column names, field types, then one tab-separated line per row. With `live`, a
// first line says whether the engine gave a "live" or a "read-only" result. Throws CommandFailure.
void runSql(const std::string& directory, const std::vector<std::string>& lines, bool live,
            std::ostream& out);

}  // namespace kovreldb
