// A dataset's records written through the program's one writer of lists.
#include "data/DataSetCsv.h"

#include <QFileDialog>
#include <climits>

#include "data/Db.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Seams.h"
#include "runtime/TableFile.h"

namespace data {

void SaveDataSetAsTable(TDataSet& dataSet, const std::vector<TField*>& fields, const QStringList& titles,
                        const QString& fileName) {
    const std::unique_ptr<runtime::TTableWriter> table = runtime::tableWriterFor(fileName);
    table->WriteRow(QVariantList(titles.begin(), titles.end()));
    dataSet.CheckBrowseMode();
    {
        dataSet.DisableControls();
        const runtime::ScopeGuard enableControls([&] { dataSet.EnableControls(); });
        const int position = -dataSet.MoveBy(INT_MIN + 1);  // records after the first
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            QVariantList values;
            for (const TField* field : fields) values.append(field->Value());
            table->WriteRow(values);
        }
        dataSet.First();
        dataSet.MoveBy(position);
    }
    table->Commit();
}

QString AskTableFileName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = runtime::tableFileFilters();
    const QStringList suffixes = runtime::tableFileSuffixes();
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.constFirst());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, filters, suffixes](const QString& entry) {
                         dialog.setDefaultSuffix(suffixes.value(filters.indexOf(entry)));
                     });
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    if (runtime::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace data
