// The permissions of the files the program writes for people: lists, statements, printed forms and
// saved reports hold workers' personal data.
#pragma once

class QFile;
class QSaveFile;

namespace runtime {

// Each such file is readable and writable by the clerk alone (0600), whatever the umask and whatever
// an earlier file of that name allowed, unless the folder it goes into has a default ACL: the folder
// then decides who else may read it, as it does for every file made in it.

// Opens `file` for writing, emptied, with those permissions; false as QFile::open answers.
bool openExport(QFile& file);
// Gives `file`, opened and not yet written, those permissions before it replaces its target; false when
// the system refuses them.
bool keepExportPrivate(QSaveFile& file);

}  // namespace runtime
