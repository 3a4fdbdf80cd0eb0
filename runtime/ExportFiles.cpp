// Export permissions: the clerk's alone, unless the folder's default ACL says otherwise.
#include "runtime/ExportFiles.h"

#include <sys/xattr.h>

#include <QFileInfo>
#include <QSaveFile>

namespace runtime {
namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool folderHasDefaultAcl(const QString& fileName) {
    const QByteArray folder = QFileInfo(fileName).absolutePath().toLocal8Bit();
    return getxattr(folder.constData(), "system.posix_acl_default", nullptr, 0) > 0;
}

}  // namespace

bool openExport(QFile& file) {
    if (folderHasDefaultAcl(file.fileName())) return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate, OwnerOnly) && file.setPermissions(OwnerOnly);
}

bool keepExportPrivate(QSaveFile& file) {
    return folderHasDefaultAcl(file.fileName()) || file.setPermissions(OwnerOnly);
}

}  // namespace runtime
