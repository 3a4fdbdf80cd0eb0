// Lengths of the report engine: the units and their conversions, the paper and output-bin tables,
// and the engine's exception class.
#pragma once

#include <QString>
#include <array>

#include "runtime/Exception.h"

// A misuse of the report engine's printer or page store, or a corrupt stored page.
class ERpError : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("ERpError"); }
};

// Stored lengths are tenths of a millimetre (`Native`); every other unit is a view of them.
enum class TRpUnits { MM, Inches, Pixels, Characters, Native };

enum class TRpAxis { Horizontal, Vertical };

// What a conversion to or from pixels and characters depends on.
struct TRpUnitContext {
    int resolution = 96;  // screen pixels per inch
    int zoom = 100;       // percent
    double charWidthMM = 1.0;
    double charHeightMM = 1.0;
};

// Round to nearest, ties to the even neighbour; beyond the range of long long, its nearest end (NaN: 0).
long long roundHalfEven(double value);

double nativeToUnit(double native, TRpUnits unit, TRpAxis axis, const TRpUnitContext& context);
double unitToNative(double value, TRpUnits unit, TRpAxis axis, const TRpUnitContext& context);

enum class TRpOrientation { poPortrait, poLandscape };

enum class TRpPaperSize {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    rp10X14,
    rp11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    Custom
};

struct TRpPaperInfo {
    const char* name;
    double widthMM;  // portrait; 0 where the size comes from elsewhere
    double lengthMM;
    int code;  // the platform paper code
};

const std::array<TRpPaperInfo, 28>& paperTable();
const TRpPaperInfo& paperInfo(TRpPaperSize size);
// The first paper size whose platform code is `code`, or Default.
TRpPaperSize paperSizeForCode(int code);

enum class TRpBin {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last
};

int binCode(TRpBin bin);
// The first bin whose platform code is `code`, or First.
TRpBin binForCode(int code);
