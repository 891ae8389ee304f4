// Text between the core's field structs (8-bit std::string) and the widgets
// of a dialog, so every dialog copies its fields the same way.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <string>

namespace halden {

inline void setEditText(QLineEdit* edit, const std::string& text) { edit->setText(QString::fromStdString(text)); }
inline std::string editText(const QLineEdit* edit) { return edit->text().toStdString(); }
inline void setLabelText(QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); }

}  // namespace halden
