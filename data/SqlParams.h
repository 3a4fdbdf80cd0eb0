// The scan of a query's SQL text for its named parameters (":name").
#pragma once

#include <QString>
#include <vector>

// A query text cut at its parameters: pieces.size() == names.size() + 1, and the text is
// pieces[0] + ":" + names[0] + pieces[1] + ... with the parameter marks taken out.
struct ScannedSql {
    std::vector<QString> pieces;
    std::vector<QString> names;  // in the order of the text; a name used twice stands twice
};

// Outside apostrophes and double quotes, "::" stands for one colon and ":name" for a parameter whose
// name runs to a line break, space, ')', ',' or ';' (a quoted name loses its quotes).
ScannedSql scanParams(const QString& text);
