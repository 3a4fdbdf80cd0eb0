// The program's Serbian for Qt's own texts, compiled from the translation kept in the tree.
#include "runtime/Language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <clocale>

static void initTranslationResource() {
    Q_INIT_RESOURCE(runtime_translations);
}

namespace runtime {

QTranslator* useProgramLanguage() {
    static QTranslator qtTexts;
    if (qtTexts.isEmpty()) {
        initTranslationResource();
        const bool loaded = qtTexts.load(QStringLiteral(":/i18n/qt_sr.qm"));
        Q_ASSERT(loaded);
        (void)loaded;
    }
    QCoreApplication::removeTranslator(&qtTexts);
    QCoreApplication::installTranslator(&qtTexts);
    // The system's own catalogues would give an error text in whatever script they hold for the
    // user's locale; the common file errors have the program's words (above), the others stay plain.
    std::setlocale(LC_MESSAGES, "C");
    return &qtTexts;
}

}  // namespace runtime
