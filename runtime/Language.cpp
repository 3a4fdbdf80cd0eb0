// The program's Serbian for Qt's own texts and the system's common errors, compiled from the translation
// kept in the tree.
#include "runtime/Language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <clocale>
#include <cstring>

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
    // user's locale; the common file errors have the program's words (systemErrorText), the others stay
    // plain.
    std::setlocale(LC_MESSAGES, "C");
    return &qtTexts;
}

// The program's words for the system's errors live with Qt's own for its file errors, in the context
// QIODevice of the translation, keyed by the C library's English text.
QString systemErrorText(int errorNumber) {
    const char* text = strerrordesc_np(errorNumber);
    return text ? inProgramWords(QString::fromLatin1(text)) : QString::fromLatin1(std::strerror(errorNumber));
}

QString inProgramWords(const QString& systemText) {
    return QCoreApplication::translate("QIODevice", systemText.toUtf8().constData());
}

}  // namespace runtime
