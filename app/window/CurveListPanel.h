// The "Curve list" panel: one row per curve on the chart, with its colour,
// its name, a box that shows or hides it and a button that removes it (the
// live curves cannot be removed). It only shows the rows it is given and
// reports what the user does with them; the window changes the store.
#pragma once

#include <QWidget>

#include <vector>

#include "spectrum/CurveList.h"

class QTableWidget;

namespace halden {

class CurveListPanel : public QWidget {
    Q_OBJECT
public:
    explicit CurveListPanel(QWidget* parent = nullptr);

    // Shows rows; the table is rebuilt only when they differ from those shown.
    void setRows(const std::vector<CurveListRow>& rows);
    const std::vector<CurveListRow>& rows() const { return m_rows; }

    // The table (tests): column 0 holds the box, colour and name, column 1
    // the remove button of a removable row.
    QTableWidget* table() const { return m_table; }

    QSize sizeHint() const override { return {260, 240}; }

signals:
    void visibilityChanged(int slot, bool visible);
    void removeRequested(int slot);

private:
    QTableWidget* m_table = nullptr;
    std::vector<CurveListRow> m_rows;
};

}  // namespace halden
