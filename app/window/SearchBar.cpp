#include "window/SearchBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "CommandIds.h"

namespace halden {

namespace {

QString metricToolTip(SimilarityMetric metric)
{
    switch (metric) {
    case SimilarityMetric::Score: return QObject::tr("100 - 100 * sum|s - d| / sum sqrt(s^2 + d^2)");
    case SimilarityMetric::Hqi: return QObject::tr("Hit quality index: 100 * (sum s*d)^2 / (sum s^2 * sum d^2)");
    case SimilarityMetric::Pearson: return QObject::tr("100 * the Pearson correlation of the two spectra");
    case SimilarityMetric::Derivative:
        return QObject::tr("100 * the Pearson correlation of their first derivatives: a baseline offset does not count");
    }
    return {};
}

}  // namespace

SearchBar::SearchBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("searchBarWidget"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(new QLabel(tr("Database")));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("c%1").arg(ids::kDatabaseList));
    m_list->setMinimumWidth(180);
    column->addWidget(m_list, 1);
    m_load = new QPushButton(tr("Load database"));
    m_load->setObjectName(QStringLiteral("c%1").arg(ids::kLoadDatabase));
    column->addWidget(m_load);
    m_compare = new QPushButton(tr("Make comparison"));
    m_compare->setObjectName(QStringLiteral("c%1").arg(ids::kMakeComparison));
    column->addWidget(m_compare);
    m_folder = new QLabel(tr("loaded database"));
    m_folder->setObjectName(QStringLiteral("c%1").arg(ids::kDatabaseFolder));
    m_folder->setWordWrap(true);
    column->addWidget(m_folder);
    m_skipped = new QLabel;
    m_skipped->setObjectName(QStringLiteral("databaseSkipped"));
    m_skipped->setWordWrap(true);
    m_skipped->hide();
    column->addWidget(m_skipped);
    m_normalize = new QCheckBox(tr("Normalize on maximum intensity"));
    m_normalize->setObjectName(QStringLiteral("c%1").arg(ids::kNormalizeBox));
    column->addWidget(m_normalize);
    auto* metricRow = new QHBoxLayout;
    auto* metricLabel = new QLabel(tr("Metric"));
    m_metric = new QComboBox;
    m_metric->setObjectName(QStringLiteral("databaseMetric"));
    for (SimilarityMetric metric : kSimilarityMetrics) {
        const std::string_view name = metricName(metric);
        m_metric->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                          static_cast<int>(metric));
        m_metric->setItemData(m_metric->count() - 1, metricToolTip(metric), Qt::ToolTipRole);
    }
    metricLabel->setBuddy(m_metric);
    metricRow->addWidget(metricLabel);
    metricRow->addWidget(m_metric, 1);
    column->addLayout(metricRow);

    connect(m_load, &QPushButton::clicked, this, &SearchBar::loadClicked);
    connect(m_compare, &QPushButton::clicked, this, &SearchBar::compareClicked);
    connect(m_normalize, &QCheckBox::clicked, this, &SearchBar::normalizeClicked);
    connect(m_metric, &QComboBox::activated, this, [this](int index) {
        emit metricChosen(static_cast<SimilarityMetric>(m_metric->itemData(index).toInt()));
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit entrySelected(row);
    });
}

void SearchBar::mirror(const DatabaseBarState& state)
{
    const QSignalBlocker blockList(m_list);
    const QSignalBlocker blockBox(m_normalize);
    const QSignalBlocker blockMetric(m_metric);
    bool same = m_list->count() == static_cast<int>(state.list.size());
    for (int i = 0; same && i < m_list->count(); ++i)
        same = m_list->item(i)->text() == QString::fromStdString(state.list[static_cast<size_t>(i)]);
    if (!same) {
        m_list->clear();
        for (const std::string& entry : state.list) m_list->addItem(QString::fromStdString(entry));
    }
    m_compare->setText(QString::fromStdString(state.buttonText));
    m_folder->setText(QString::fromStdString(state.folderText));
    m_normalize->setChecked(state.normalizeChecked);
    m_skipped->setText(QString::fromStdString(state.skippedText));
    m_skipped->setVisible(!state.skippedText.empty());
    m_metric->setCurrentIndex(m_metric->findData(static_cast<int>(state.metric)));
}

void SearchBar::showButtonText(const std::string& text)
{
    m_compare->setText(QString::fromStdString(text));
    m_compare->repaint();
}

}  // namespace halden

#include "moc_SearchBar.cpp"
