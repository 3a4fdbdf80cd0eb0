// The ledger of three workers on which the reports and the printed lists are tried: carry-overs, a use
// of free days, grants of annual leave in several years, a use of annual leave and a remainder of it.
#pragma once

#include <vector>

#include "WindowFixture.h"

inline const std::vector<StoredRow>& reportsLedgerRows() {
    static const std::vector<StoredRow> rows = {
        {1, "ANIC ANA", "PRENOS", 10, {}, {}},
        {2, "O'BRIEN OLGA", "PRENOS", 7, {}, {}},
        {3, "BOROVIC BOJAN", "PRENOS", 4, {}, {}},
        {1, "ANIC ANA", "SL.DANI", {}, 3, {}},
        {1, "ANIC ANA", "GO 1 DEO 2012", 20, {}, {}},
        {1, "ANIC ANA", "GO", {}, 5, {}},
        {1, "ANIC ANA", "OSTATAK OD GO 2 DEO 2015", 2, {}, {}},
        {3, "BOROVIC BOJAN", "GO 2 DEO 2013", 15, {}, {}},
        {2, "O'BRIEN OLGA", "GO 1 DEO 2019", 12, {}, {}},
        {2, "O'BRIEN OLGA", "GO 2 DEO 2020", 8, {}, {}},
    };
    return rows;
}
