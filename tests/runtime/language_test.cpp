// Qt's own dialogs and file error texts in the program's Serbian once the program's language is in use,
// and the printed dates' four-digit years in every locale.
#include "runtime/Language.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTranslator>
#include <cerrno>
#include <cstring>

#include "runtime/Csv.h"
#include "runtime/Exception.h"
#include "runtime/PrintedDates.h"

namespace {

class ProgramLanguage : public ::testing::Test {
  protected:
    void SetUp() override { translator = runtime::useProgramLanguage(); }
    void TearDown() override { QCoreApplication::removeTranslator(translator); }
    QTranslator* translator = nullptr;
};

QString labelText(const QFileDialog& dialog, const char* name) {
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

QStringList buttonTexts(const QFileDialog& dialog) {
    QStringList texts;
    for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) texts << button->text();
    texts.sort();
    return texts;
}

TEST_F(ProgramLanguage, TheFileDialogsSpeakSerbian) {
    QFileDialog save;
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    save.setFileMode(QFileDialog::AnyFile);
    EXPECT_EQ(save.windowTitle(), "Sacuvaj kao");
    EXPECT_EQ(labelText(save, "lookInLabel"), "Trazi u:");
    EXPECT_EQ(labelText(save, "fileNameLabel"), "&Ime datoteke:");
    EXPECT_EQ(labelText(save, "fileTypeLabel"), "Vrsta datoteka:");
    EXPECT_EQ(buttonTexts(save), QStringList({"&Sacuvaj", "Otkazi"}));

    QFileDialog folder;
    folder.setOption(QFileDialog::DontUseNativeDialog);
    folder.setFileMode(QFileDialog::Directory);
    EXPECT_EQ(folder.windowTitle(), "Izbor fascikle");
    EXPECT_EQ(buttonTexts(folder), QStringList({"&Izaberi", "Otkazi"}));
}

TEST_F(ProgramLanguage, EditsOfferTheirCommandsInSerbianAndFileErrorsUseTheProgramsWords) {
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList commands;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) commands << action->text().section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ(commands,
              QStringList({"&Opozovi", "&Ponovi", "Ise&ci", "&Kopiraj", "&Nalepi", "Obrisi", "Izaberi sve"}));

    QTemporaryDir directory;
    QFile file(directory.filePath("nema/spisak.csv"));
    EXPECT_FALSE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.errorString(), "nema takve datoteke ni fascikle");

    // An export whose folder is a file: the English text its message keeps, the reason in the program's
    // words.
    QFile(directory.filePath("spisak")).open(QIODevice::WriteOnly);
    const QString inside = directory.filePath("spisak/spisak.csv");
    try {
        runtime::TCsvWriter writer(inside);
        ADD_FAILURE() << "the export was made";
    } catch (const Exception& error) {
        EXPECT_EQ(
            error.Message(),
            QStringLiteral("Cannot create file \"%1\". na putu je datoteka, a ne fascikla").arg(inside));
    }
}

struct SystemErrorCase {
    int number;
    const char* words;
};

class SystemErrors : public ProgramLanguage, public ::testing::WithParamInterface<SystemErrorCase> {};

TEST_P(SystemErrors, HaveTheProgramsWordsWhenCommonAndPlainEnglishOtherwise) {
    EXPECT_EQ(runtime::systemErrorText(GetParam().number), GetParam().words);
    EXPECT_EQ(runtime::inProgramWords(QString::fromLatin1(strerrordesc_np(GetParam().number))),
              GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, SystemErrors,
    ::testing::Values(SystemErrorCase{EACCES, "nema dozvole"}, SystemErrorCase{EPERM, "nema dozvole"},
                      SystemErrorCase{ENOSPC, "nema mesta na disku"},
                      SystemErrorCase{EDQUOT, "prekoracena je kvota prostora na disku"},
                      SystemErrorCase{ENOENT, "nema takve datoteke ni fascikle"},
                      SystemErrorCase{ENOTDIR, "na putu je datoteka, a ne fascikla"},
                      SystemErrorCase{EROFS, "disk je samo za citanje"},
                      SystemErrorCase{EEXIST, "datoteka ili fascikla tog imena vec postoji"},
                      SystemErrorCase{EIO, "greska pri citanju ili pisanju diska"},
                      SystemErrorCase{ENOMEM, "Cannot allocate memory"}));

struct PrintedDateCase {
    QLocale locale;
    const char* shown;
};

class PrintedDates : public ::testing::TestWithParam<PrintedDateCase> {};

TEST_P(PrintedDates, HaveTheLocalesShortFormWithAFourDigitYear) {
    EXPECT_EQ(runtime::printedDate(QDate(2026, 12, 9), GetParam().locale), GetParam().shown);
    EXPECT_EQ(runtime::printedDate(QDate(1999, 1, 2), GetParam().locale).count("1999"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, PrintedDates,
    ::testing::Values(PrintedDateCase{QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia),
                                      "9.12.2026."},
                      PrintedDateCase{QLocale(QLocale::German, QLocale::Germany), "09.12.2026"},
                      PrintedDateCase{QLocale(QLocale::English, QLocale::UnitedStates), "12/9/2026"},
                      PrintedDateCase{QLocale(QLocale::Japanese, QLocale::Japan), "2026/12/09"},
                      PrintedDateCase{QLocale(QLocale::Finnish, QLocale::Finland), "9.12.2026"}));

}  // namespace
