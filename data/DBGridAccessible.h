// What a screen reader learns of the data-aware grid: a table of the rows it shows, with the column
// titles as headers and each cell's text, and the current cell as the focus inside it.
#pragma once

class TDBGrid;

namespace data {

// Makes every TDBGrid answer screen readers as a table; safe to call more than once.
void installGridAccessibility();

// Tell a screen reader, when one listens, that the rows, the columns or the texts the grid shows have
// changed, or that its current cell may have moved (a focused grid reports that cell as the focus).
void gridContentsChanged(TDBGrid& grid);
void gridCurrentCellMoved(TDBGrid& grid);

}  // namespace data
