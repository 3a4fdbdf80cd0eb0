#include "ledger/Ledger.h"
