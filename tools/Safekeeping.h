// `kovrel-db backups`, `restore` and `journal`: the ledger's copies and its change journal.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kovreldb {

// Lists the copies in DIR's backup folder, newest first: a header, then name, time (UTC) and rows of
// each, tab-separated. Answers false when a copy cannot be read (its rows then read "?", the reason
// going to `err`).
bool listBackups(const std::string& directory, std::ostream& out, std::ostream& err);

// Puts the copy `copy` (a copy's name, a folder or a ledger file) in place of DIR's ledger, after
// copying the ledger itself; prints what was done and the check of the result. Throws CommandFailure.
void restoreBackup(const std::string& directory, const std::string& copy, std::ostream& out);

// Prints the journal's entries, newest first, as a header and tab-separated lines; `args` are the
// options --worker NAME, --from DATE and --to DATE (local calendar days, YYYY-MM-DD, both included).
// Answers false when an option is not understood.
bool printJournal(const std::string& directory, const std::vector<std::string>& args, std::ostream& out);

}  // namespace kovreldb
