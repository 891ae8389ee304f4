// The one way a field dialog runs modally: open it on a copy of the core's
// fields, and on OK copy what the widgets hold back into them.
#pragma once

#include <QDialog>

namespace halden {

// Dialog needs a constructor (QWidget* parent, const Fields&) and fields().
template <class Dialog, class Fields>
bool runFieldsDialog(QWidget* parent, Fields& fields)
{
    Dialog dialog(parent, fields);
    if (dialog.exec() != QDialog::Accepted) return false;
    fields = dialog.fields();
    return true;
}

}  // namespace halden
