// What the clerk reads on the windows: no caption is cut off by the size its label is given.
#include <QLabel>

#include "WindowFixture.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/UnitDnevnik.h"

namespace {

class Captions : public WindowFixture {};

TEST_F(Captions, EveryLabelShowsItsWholeCaption) {
    createWindows(frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji, frmDnevnik);
    int checked = 0;
    for (QWidget* form :
         std::initializer_list<QWidget*>{frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji, frmDnevnik}) {
        for (const QLabel* label : form->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->wordWrap()) continue;
            const int room = label->contentsRect().width() - 2 * label->margin();
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), room)
                << form->objectName().toStdString() << "." << label->objectName().toStdString() << " \""
                << label->text().toStdString() << "\"";
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

}  // namespace
