// The search bar (template 157): the database list, "Load database",
// "Make comparison" (which also shows progress), the loaded folder, the
// entries left out, "Normalize on maximum intensity" and the "Metric" choice.
// Mirrors the database's DatabaseBarState; user actions are reported as
// signals.
#pragma once

#include <QWidget>

#include "database/SpectralDatabase.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace halden {

class SearchBar : public QWidget {
    Q_OBJECT
public:
    explicit SearchBar(QWidget* parent = nullptr);

    void mirror(const DatabaseBarState& state);
    // Shows the button text at once (progress while loading or comparing).
    void showButtonText(const std::string& text);

    QListWidget* list() const { return m_list; }
    QPushButton* loadButton() const { return m_load; }
    QPushButton* compareButton() const { return m_compare; }
    QCheckBox* normalizeBox() const { return m_normalize; }
    QLabel* folderLabel() const { return m_folder; }
    QLabel* skippedLabel() const { return m_skipped; }
    QComboBox* metricBox() const { return m_metric; }

signals:
    void loadClicked();
    void compareClicked();
    void normalizeClicked(bool checked);
    void metricChosen(halden::SimilarityMetric metric);
    void entrySelected(int row);

private:
    QListWidget* m_list = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_compare = nullptr;
    QLabel* m_folder = nullptr;
    QLabel* m_skipped = nullptr;
    QCheckBox* m_normalize = nullptr;
    QComboBox* m_metric = nullptr;
};

}  // namespace halden
