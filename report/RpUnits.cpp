// Unit conversions and the paper and output-bin tables of the report engine.
#include "report/RpUnits.h"

#include <cfenv>
#include <cmath>
#include <limits>

long long roundHalfEven(double value) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    // A length no page can hold (a damaged description) stops at the ends of the range, never beyond.
    constexpr double beyond = 9223372036854775808.0;  // 2^63
    if (std::isnan(rounded)) return 0;
    if (rounded >= beyond) return std::numeric_limits<long long>::max();
    if (rounded < -beyond) return std::numeric_limits<long long>::min();
    return static_cast<long long>(rounded);
}

namespace {

// Tenths of a millimetre per unit of `unit` along `axis`.
double nativePerUnit(TRpUnits unit, TRpAxis axis, const TRpUnitContext& context) {
    switch (unit) {
        case TRpUnits::MM:
            return 10.0;
        case TRpUnits::Inches:
            return 254.0;
        case TRpUnits::Pixels:
            return 254.0 / context.resolution / context.zoom * 100.0;
        case TRpUnits::Characters:
            return 10.0 * (axis == TRpAxis::Horizontal ? context.charWidthMM : context.charHeightMM);
        case TRpUnits::Native:
            break;
    }
    return 1.0;
}

}  // namespace

double nativeToUnit(double native, TRpUnits unit, TRpAxis axis, const TRpUnitContext& context) {
    return native / nativePerUnit(unit, axis, context);
}

double unitToNative(double value, TRpUnits unit, TRpAxis axis, const TRpUnitContext& context) {
    return value * nativePerUnit(unit, axis, context);
}

const std::array<TRpPaperInfo, 28>& paperTable() {
    static const std::array<TRpPaperInfo, 28> table{{
        {"Default", 0, 0, 0},
        {"Letter", 215.9, 279.4, 1},
        {"LetterSmall", 215.9, 279.4, 2},
        {"Tabloid", 279.4, 431.8, 3},
        {"Ledger", 431.8, 279.4, 4},
        {"Legal", 215.9, 355.6, 5},
        {"Statement", 139.7, 215.9, 6},
        {"Executive", 190.5, 254.0, 7},
        {"A3", 297, 420, 8},
        {"A4", 210, 297, 9},
        {"A4Small", 210, 297, 10},
        {"A5", 148, 210, 11},
        {"B4", 250, 354, 12},
        {"B5", 182, 257, 13},
        {"Folio", 215.9, 330.2, 14},
        {"Quarto", 215, 275, 15},
        {"rp10X14", 254.0, 355.6, 16},
        {"rp11X17", 279.4, 431.8, 17},
        {"Note", 215.9, 279.0, 18},
        {"Env9", 98.43, 225.4, 19},
        {"Env10", 104.8, 241.3, 20},
        {"Env11", 114.3, 263.5, 21},
        {"Env12", 101.6, 279.4, 22},
        {"Env14", 127.0, 292.1, 23},
        {"CSheet", 100, 100, 24},
        {"DSheet", 100, 100, 25},
        {"ESheet", 100, 100, 26},
        {"Custom", 0, 0, 256},
    }};
    return table;
}

const TRpPaperInfo& paperInfo(TRpPaperSize size) {
    return paperTable()[static_cast<size_t>(size)];
}

TRpPaperSize paperSizeForCode(int code) {
    const auto& table = paperTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].code == code) return static_cast<TRpPaperSize>(i);
    }
    return TRpPaperSize::Default;
}

namespace {
constexpr std::array<int, 14> kBinCodes{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};
}

int binCode(TRpBin bin) {
    return kBinCodes[static_cast<size_t>(bin)];
}

TRpBin binForCode(int code) {
    for (size_t i = 0; i < kBinCodes.size(); ++i) {
        if (kBinCodes[i] == code) return static_cast<TRpBin>(i);
    }
    return TRpBin::First;
}
