// Preview capture of the print forms for the ledger tests.
#include "PrintCapture.h"

#include <QHash>
#include <QTimer>
#include <variant>

#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "runtime/Geometry.h"

namespace {

struct Capture {
    std::vector<PrintedText> texts;
    int previews = 0;
};

QHash<QString, Capture>& captures() {
    static QHash<QString, Capture> store;
    return store;
}

// Takes page 1 once the run has finished, then ends the preview.
void takeWhenFinished(TReport& form, TRpPrinter& printer) {
    if (printer.GetStatus() != TRpPrinter::Status::Finished) {
        QTimer::singleShot(0, [&form, &printer] { takeWhenFinished(form, printer); });
        return;
    }
    Capture& taken = captures()[form.objectName()];
    taken.texts.clear();
    ++taken.previews;
    if (const std::optional<TRpPageImage> page = printer.Page(1)) {
        for (const TRpPageImage::Item& item : page->Items()) {
            if (const auto* text = std::get_if<TRpPageImage::Text>(&item))
                taken.texts.push_back({text->text, text->at});
        }
    }
    printer.SetShowing(false);
}

void capture(TReport* report) {
    if (!report) return;
    report->OnPreview = [](TReport& form, TRpPrinter& printer) {
        printer.SetShowing(true);
        takeWhenFinished(form, printer);
    };
}

}  // namespace

void capturePrintFormPreviews() {
    captures().clear();
    capture(frmKovrelstampa);
    capture(frmStampakovrelkor);
    capture(frmZahtevgo);
}

std::vector<PrintedText> lastPrintedTexts(const QString& formName) {
    return captures().value(formName).texts;
}

int previewCount(const QString& formName) {
    return captures().value(formName).previews;
}

QString printedLabel(const QString& formName, const char* name) {
    TReport* form = nullptr;
    for (TReport* candidate :
         std::initializer_list<TReport*>{frmKovrelstampa, frmStampakovrelkor, frmZahtevgo})
        if (candidate && candidate->objectName() == formName) form = candidate;
    if (!form) return {};
    const auto* label = form->findChild<TRpLabel*>(QLatin1String(name));
    if (!label) return {};
    // The label's box in page pixels; a line printed inside it is the label's.
    const Rect box(label->Left(), label->Top(), label->Width(), label->Height());
    QString printed;
    for (const PrintedText& text : lastPrintedTexts(formName))
        if (box.contains(QPoint(box.center().x(), text.at.y())) && text.at.x() >= box.left() &&
            text.at.x() <= box.right())
            printed += text.text;
    return printed;
}
