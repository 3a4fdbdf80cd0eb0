// kovrel-crash-writer DIR FIRSTKEY SEED: posts new rows and edits stored ones in DIR/Kovrel.DB through the
// dataset layer, as the program's windows do, until it is killed. After each Post returns it writes
// "posted KEY VERSION" or "edited KEY VERSION" on standard output, unbuffered.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <random>
#include <string>

#include "crash/CrashRows.h"
#include "data/DBTables.h"

namespace {

void fill(TDataSet& table, qint64 key, int version) {
    const crash::StoredRow row = crash::expectedRow(key, version);
    for (int i = 0; i < int(row.size()); ++i) {
        TField& field = *table.Fields(i);
        if (const auto* number = std::get_if<double>(&row[std::size_t(i)])) {
            field.SetAsFloat(*number);
        } else if (field.DataType() == ftDate) {
            const QDate day = QDate::fromString(std::get<QString>(row[std::size_t(i)]), Qt::ISODate);
            field.SetAsDateTime(double(QDate(1899, 12, 30).daysTo(day)));
        } else {
            field.SetAsString(std::get<QString>(row[std::size_t(i)]));
        }
    }
}

void report(const char* what, qint64 key, int version) {
    const std::string line =
        std::string(what) + ' ' + std::to_string(key) + ' ' + std::to_string(version) + '\n';
    if (write(STDOUT_FILENO, line.data(), line.size()) != ssize_t(line.size())) std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: kovrel-crash-writer DIR FIRSTKEY SEED\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) return 2;
    qint64 key = std::stoll(argv[2]);
    std::mt19937 random(static_cast<unsigned>(std::stoul(argv[3])));
    try {
        TTable table;
        table.setObjectName(QStringLiteral("Table1"));
        table.SetTableName(QStringLiteral("Kovrel.DB"));
        table.Open();
        for (;;) {
            const bool edit = !table.Eof() && random() % 3 == 0;
            if (edit) {
                if (random() % 2) {
                    table.First();
                    table.MoveBy(int(random() % 64));
                } else {
                    table.Last();
                    table.MoveBy(-int(random() % 64));
                }
                const qint64 edited = qint64(table.FieldByName(QStringLiteral("RedBroj"))->AsFloat());
                const int version = table.FieldByName(QStringLiteral("Transakcije"))->AsInteger() + 1;
                table.Edit();
                fill(table, edited, version);
                table.Post();
                report("edited", edited, version);
            } else {
                table.Append();
                fill(table, key, 1);
                table.Post();
                report("posted", key++, 1);
            }
        }
    } catch (const Exception& error) {
        std::fprintf(stderr, "kovrel-crash-writer: %s\n", qPrintable(error.Message()));
        return 1;
    }
}
