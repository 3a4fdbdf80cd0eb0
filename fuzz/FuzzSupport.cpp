// The fuzz targets' shared start-up and helpers.
#include "fuzz/FuzzSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "runtime/Seams.h"

namespace fuzz {
namespace {

QTemporaryDir* privateDirectory = nullptr;

}  // namespace

void startApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps the arguments it is given; libFuzzer's own stay where they are.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    (void)argc;
    // Never destroyed: libFuzzer ends the process with exit(), and Qt's clean-up among the other static
    // objects' destruction crashed there.
    new QApplication(qtArgc, qtArgv);
    privateDirectory = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kovrel-fuzz-XXXXXX"));
    std::atexit([] { delete privateDirectory; });
    if (!privateDirectory->isValid()) fail(QStringLiteral("no private directory"));
    runtime::setPrinterList(QStringList());
    runtime::setClock([] { return QDateTime(QDate(2024, 3, 7), QTime(14, 30)); });
    runtime::setMessageHandler([](const runtime::MessageRequest&) { return runtime::MessageAnswer::Ok; });
}

void enterPrivateDirectory() {
    if (!QDir::setCurrent(privateDirectory->path()))
        fail(QStringLiteral("cannot enter the private directory"));
}

QString path(const QString& name) {
    return privateDirectory->filePath(name);
}

QString inputFile(const QString& name, const std::uint8_t* data, std::size_t size) {
    const QString fileName = path(name);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail(QStringLiteral("cannot write the input to ") + fileName);
    return fileName;
}

void fail(const QString& what) {
    std::fprintf(stderr, "\n==== oracle failed: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz
