// What the fuzz targets share: the headless application, a private working directory, handing an input
// over as a file, and failing an oracle so that libFuzzer keeps the input.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Starts an offscreen QApplication once, with no printers, no message windows and a fixed clock, and
// makes a fresh temporary directory for the inputs.
void startApplication(int* argc, char*** argv);
// Makes that directory the working directory, so that no ledger of the machine is ever reached. libFuzzer
// then needs absolute paths (scripts/fuzz gives them).
void enterPrivateDirectory();
// A path inside the private directory.
QString path(const QString& name);
// Writes the input to `name` in the private directory and answers its path.
QString inputFile(const QString& name, const std::uint8_t* data, std::size_t size);
// Reports an oracle's failure on standard error and aborts, so libFuzzer saves the input.
[[noreturn]] void fail(const QString& what);

}  // namespace fuzz
