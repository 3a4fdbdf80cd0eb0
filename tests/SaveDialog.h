// Answering the program's save dialog as a person does: an entry of its file type box, then a name.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QString>
#include <QTest>

// Chooses the file type `entry` (0 the first) with the keys in `files`' type box, selects `name` and
// accepts the dialog; answers what the dialog would.
inline int saveAsChosen(QFileDialog& files, qsizetype entry, const QString& name) {
    auto* types = files.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (qsizetype i = entry; i > 0; --i) QTest::keyClick(types, Qt::Key_Down);
    files.selectFile(name);
    return int(QDialog::Accepted);
}
