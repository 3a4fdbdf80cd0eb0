// The bands of a list report: strips of the page that hold printable controls and repeat as the
// report's records and pages require.
#pragma once

#include <QObject>
#include <vector>

class TReport;
class TRpPrintable;

// Where and how often a band prints: the title once at the top of the first page, the column header at
// the top of every page (of the first only with the report's FirstPageHeader option), the detail once
// per record, the page footer at the foot of every page (of the last only with LastPageFooter), the
// summary once after the last record.
enum class TRpBandType { Title, ColumnHeader, Detail, PageFooter, Summary };

// A band is a child of its report; its printables are its own children, placed by their stored size
// from the band's top-left corner, which lies on the page's left margin.
class TRpBand : public QObject {
    Q_OBJECT
  public:
    TRpBand(TReport* owner, TRpBandType type);

    TRpBandType BandType() const { return type_; }
    double Height = 0;  // 0.1 mm
    bool Enabled = true;

    // Creates a printable of class T on this band.
    template <class T>
    T* Add() {
        auto* printable = new T(report_);
        printable->setParent(this);
        return printable;
    }
    std::vector<TRpPrintable*> Printables() const;
    // Prints every printable of the band with its top-left corner at (x, y), 0.1 mm.
    void Print(double x, double y);

  private:
    TReport* report_;
    TRpBandType type_;
};
