#!/usr/bin/python3
# Prints an .xls file as JSON, read through xlrd: the sheet names, font 0,
# each sheet's default column width and the cells of every sheet as
# [row, column, xlrd cell type, value] (rows and columns 0-based).
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True, ragged_rows=True)


def cells(sheet):
    return [[r, c, sheet.cell_type(r, c), sheet.cell_value(r, c)]
            for r in range(sheet.nrows) for c in range(sheet.row_len(r))
            if sheet.cell_type(r, c) != xlrd.XL_CELL_EMPTY]


json.dump({
    "sheets": book.sheet_names(),
    "font0": {"name": book.font_list[0].name, "height": book.font_list[0].height},
    "defcolwidth": [s.defcolwidth for s in book.sheets()],
    "cells": [cells(s) for s in book.sheets()],
}, sys.stdout)
