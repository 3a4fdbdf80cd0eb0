// Windows whose lists the clerk previews and saves from the preview, under a fixed day, German dates and
// no printer installed.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QLocale>
#include <QTimer>
#include <QToolButton>
#include <utility>
#include <vector>

#include "WindowFixture.h"
#include "report/RpPreview.h"
#include "report/RpPrinter.h"
#include "report/RpPrinting.h"
#include "report/RpStandardPreview.h"
#include "tests/SaveDialog.h"

// Every save dialog is answered with `saveAs`: the entry of its file type box named by its text, and the
// file; any other dialog is refused.
class PreviewFixture : public WindowFixture {
  protected:
    explicit PreviewFixture(QDate today) : today_(today) {}

    void SetUp() override {
        WindowFixture::SetUp();
        registerPrintingOperations();
        runtime::setPrinterList(QStringList());
        runtime::setClock([today = today_] { return QDateTime(today, QTime(9, 0)); });
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        setDialogHandler([this](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return int(QDialog::Rejected);
            return saveAsChosen(*files, files->nameFilters().indexOf(saveAs.first), saveAs.second);
        });
    }
    void TearDown() override {
        runtime::setDialogHandler({});
        runtime::setClock({});
        runtime::setPrinterList(std::nullopt);
        QLocale::setDefault(QLocale::c());
        WindowFixture::TearDown();
    }

    QString path(const QString& name) const { return QDir(directory()).filePath(name); }

    // Once the next preview has all its pages, saves them with each of `entries` (dialog entry, file
    // name), then closes the preview; its title is kept in `previewTitle`.
    void onNextPreview(std::vector<std::pair<QString, QString>> entries) {
        QTimer::singleShot(0, [this, entries] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<TRpStandardPreview*>(widget);
                if (!window || !window->isVisible() || !window->Preview().Printer()) continue;
                if (window->Preview().Printer()->GetStatus() != TRpPrinter::Status::Finished) break;
                previewTitle = window->windowTitle();
                for (const auto& [entry, name] : entries) {
                    saveAs = {entry, path(name)};
                    window->findChild<QToolButton*>(QStringLiteral("Save"))->click();
                }
                window->close();
                return;
            }
            onNextPreview(entries);
        });
    }

    std::pair<QString, QString> saveAs;
    QString previewTitle;

  private:
    QDate today_;
};
