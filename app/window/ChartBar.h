// The chart bar (template 103): exposure, scans and BoxCar edits, Run and the
// other check boxes, the buttons and the progress bar. It keeps no state of
// its own: the frame mirrors the store's ChartBarState into it after every
// command, and each user action is reported as a control id. An edit the
// user is working in (focused, or changed since its text was last
// committed) is never rewritten by mirroring; its text is committed with
// Enter or when it loses focus.
#pragma once

#include <QWidget>

#include <map>

#include "spectrum/SpectrumStore.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace halden {

class ChartBar : public QWidget {
    Q_OBJECT
public:
    explicit ChartBar(QWidget* parent = nullptr);

    // Shows state in the widgets without reporting it back as user actions;
    // edits the user is working in keep their text.
    void mirror(const ChartBarState& state);
    // Shows the edits' texts of state even in an edit the user is in (after
    // a commit, or a dialog that set them).
    void showEditTexts(const ChartBarState& state);

    // The widgets by control id (object names "c<id>"), for the frame and tests.
    QCheckBox* checkBox(int id) const;
    QAbstractButton* button(int id) const;
    QLineEdit* edit(int id) const;
    QProgressBar* progressBar() const { return m_progress; }

signals:
    // A check box changed by the user, whatever the way (mouse, keyboard,
    // an assistive tool; checked is its new state), or a button pressed.
    void controlActivated(int id, bool checked);
    // The user committed the text of edit id (Enter, or leaving the field).
    void textCommitted(int id, const QString& text);

private:
    QCheckBox* addCheckBox(int id, const QString& caption);
    QAbstractButton* addButton(int id, const QString& caption);
    // width: the widest the edit grows; longest: the longest text it must
    // show whole, which sets its narrowest.
    QLineEdit* addEdit(int id, int width, const QString& longest);

    std::map<int, QCheckBox*> m_boxes;
    std::map<int, QAbstractButton*> m_buttons;
    std::map<int, QLineEdit*> m_edits;
    QLabel* m_exposureText = nullptr;
    QProgressBar* m_progress = nullptr;
};

}  // namespace halden
