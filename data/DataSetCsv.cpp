// A dataset's records written as CSV through the program's one CSV writer.
#include "data/DataSetCsv.h"

#include <QFileDialog>
#include <climits>

#include "data/Db.h"
#include "runtime/Csv.h"
#include "runtime/Seams.h"

namespace data {

void SaveDataSetAsCsv(TDataSet& dataSet, const std::vector<TField*>& fields, const QStringList& titles,
                      const QString& fileName) {
    runtime::TCsvWriter csv(fileName);
    csv.WriteRow(QVariantList(titles.begin(), titles.end()));
    dataSet.CheckBrowseMode();
    dataSet.DisableControls();
    try {
        const int position = -dataSet.MoveBy(INT_MIN + 1);  // records after the first
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            QVariantList values;
            for (const TField* field : fields) values.append(field->Value());
            csv.WriteRow(values);
        }
        dataSet.First();
        dataSet.MoveBy(position);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
    csv.Commit();
}

QString AskCsvFileName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("CSV file (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    if (runtime::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace data
