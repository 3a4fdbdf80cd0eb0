// The ledger table's rules: its fields, reason codes, composite reason text and SQL catalogue.
#pragma once
