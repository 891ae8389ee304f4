#include "window/CurveListPanel.h"

#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace halden {

namespace {

QIcon swatch(const CurveListRow& row)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(row.red, row.green, row.blue), 3));
    painter.drawLine(1, 8, 15, 8);
    return QIcon(pixmap);
}

}  // namespace

CurveListPanel::CurveListPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("curveListPanel"));
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("curveTable"));
    m_table->setHorizontalHeaderLabels({tr("Curve"), QString()});
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_table->verticalHeader()->hide();
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        const int row = item->row();
        if (item->column() != 0 || row < 0 || row >= static_cast<int>(m_rows.size())) return;
        const bool visible = item->checkState() == Qt::Checked;
        if (visible != m_rows[row].visible) emit visibilityChanged(m_rows[row].slot, visible);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_table);
}

void CurveListPanel::setRows(const std::vector<CurveListRow>& rows)
{
    if (rows == m_rows) return;
    m_rows = rows;
    const QSignalBlocker block(m_table);
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const CurveListRow& row = rows[r];
        auto* item = new QTableWidgetItem(swatch(row), QString::fromStdString(row.name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(row.visible ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(tr("Show or hide this curve"));
        m_table->setItem(r, 0, item);
        if (row.removable) {
            auto* remove = new QToolButton;
            remove->setObjectName(QStringLiteral("removeCurve%1").arg(r));
            remove->setText(tr("Remove"));
            remove->setToolTip(tr("Remove this curve from the chart"));
            const int slot = row.slot;
            connect(remove, &QToolButton::clicked, this, [this, slot] { emit removeRequested(slot); });
            m_table->setCellWidget(r, 1, remove);
        } else {
            m_table->removeCellWidget(r, 1);
            m_table->setItem(r, 1, new QTableWidgetItem);
            m_table->item(r, 1)->setFlags(Qt::NoItemFlags);
        }
    }
}

}  // namespace halden

#include "moc_CurveListPanel.cpp"
