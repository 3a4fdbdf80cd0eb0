#!/usr/bin/env python3
"""Reads the first sheet of a workbook as a spreadsheet would, for the tests of the program's .xlsx files.

Prints one line per row, its cells separated by tabs, each cell as KIND:VALUE with KIND n (a number
cell), d (a number cell whose style is a date format), s (a text cell) or b (a blank cell left out of
the row), and the header row's cells with a trailing '*' when their font is bold. After the rows come
'widths' and the columns' widths, and 'dates' and the date formats used.
"""
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
BUILTIN_DATES = set(range(14, 23))


def column_index(ref):
    letters = re.match(r"[A-Z]+", ref).group(0)
    index = 0
    for letter in letters:
        index = index * 26 + ord(letter) - ord("A") + 1
    return index - 1


def main(path):
    with zipfile.ZipFile(path) as book:
        assert book.testzip() is None
        strings = []
        if "xl/sharedStrings.xml" in book.namelist():
            for item in ET.fromstring(book.read("xl/sharedStrings.xml")).findall("m:si", NS):
                strings.append("".join(t.text or "" for t in item.iter("{%s}t" % NS["m"])))
        styles = ET.fromstring(book.read("xl/styles.xml"))
        formats = {int(f.get("numFmtId")): f.get("formatCode") for f in styles.findall("m:numFmts/m:numFmt", NS)}
        bold_fonts = [f.find("m:b", NS) is not None for f in styles.findall("m:fonts/m:font", NS)]
        xfs = styles.findall("m:cellXfs/m:xf", NS)
        sheet = ET.fromstring(book.read("xl/worksheets/sheet1.xml"))
    date_formats = set()
    for row in sheet.findall("m:sheetData/m:row", NS):
        cells = []
        for cell in row.findall("m:c", NS):
            xf = xfs[int(cell.get("s", "0"))]
            number_format = int(xf.get("numFmtId", "0"))
            bold = bold_fonts[int(xf.get("fontId", "0"))]
            value = cell.find("m:v", NS)
            kind = cell.get("t", "n")
            if value is None:
                text, kind = "", "b"
            elif kind == "s":
                text = strings[int(value.text)]
            else:
                text = value.text
                if number_format in formats or number_format in BUILTIN_DATES:
                    code = formats.get(number_format, str(number_format))
                    if re.search(r"[dy]", code):
                        kind = "d"
                        date_formats.add(code)
            while len(cells) < column_index(cell.get("r")):
                cells.append("b:")
            cells.append("%s:%s%s" % (kind, text, "*" if bold else ""))
        print("\t".join(cells))
    widths = [c.get("width") for c in sheet.findall("m:cols/m:col", NS)]
    print("widths\t" + "\t".join(widths))
    print("dates\t" + "\t".join(sorted(date_formats)))


if __name__ == "__main__":
    main(sys.argv[1])
