#pragma once
// A BIFF8 (Excel 97) workbook built in memory and written as an OLE2
// compound file holding one "Workbook" stream. It always has the layout of
// the journal export's template: three empty worksheets "Лист1", "Лист2",
// "Лист3", default font Arial 10, default column width 11, A4 portrait at
// 100 %, margins 0.7875 in left and right and 1.0528 in top and bottom, the
// centred header "&A" (the sheet name) and the centred footer "Страница &P",
// both in Times New Roman 12. Cells go to the first worksheet only: texts
// through the shared string table (UTF-16, so Cyrillic survives), numbers
// as IEEE doubles. No widgets.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <variant>

namespace xls {

constexpr int kMaxRows = 65536;       // rows of a BIFF8 sheet
constexpr int kMaxColumns = 256;      // columns of a BIFF8 sheet
constexpr int kMaxTextLength = 32767; // characters of one cell text

class Workbook
{
public:
    // The template workbook: three empty sheets with the properties above.
    static Workbook fromTemplate();

    // Row and column are 1-based, on the first sheet. A position outside
    // the sheet, a text longer than kMaxTextLength or a number that is not
    // finite is refused: false, *error says why (in Russian), the workbook
    // is unchanged. Writing a cell again replaces it.
    bool setText(int row, int column, const QString &text, QString *error = nullptr);
    bool setNumber(int row, int column, double value, QString *error = nullptr);

    // The whole compound file as it goes to disk.
    QByteArray toBytes() const;
    // Writes toBytes() to path (the file is created or truncated; the
    // caller decides where, see journals' export for the safe replace).
    bool saveAs(const QString &path, QString *error = nullptr) const;
    // Forgets every cell: the workbook is the template again.
    void close();

    int cellCount() const { return int(m_cells.size()); }

private:
    Workbook() = default;
    using Cell = std::variant<QString, double>;
    // Key: (row - 1) * kMaxColumns + (column - 1), so the map is in sheet order.
    QMap<qint64, Cell> m_cells;
};

} // namespace xls
