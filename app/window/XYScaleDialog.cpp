#include "window/XYScaleDialog.h"
#include "window/FieldsDialog.h"

#include "ui_XYScaleDialog.h"
#include "window/WidgetText.h"

namespace halden {

XYScaleDialog::XYScaleDialog(QWidget* parent, const XYScaleFields& f)
    : QDialog(parent), m_ui(std::make_unique<Ui::XYScaleDialog>())
{
    m_ui->setupUi(this);
    setLabelText(m_ui->labelMin, f.minLabel);
    setLabelText(m_ui->labelMax, f.maxLabel);
    setEditText(m_ui->edit1002, f.xMin);
    setEditText(m_ui->edit1003, f.xMax);
    setEditText(m_ui->edit1004, f.yMin);
    setEditText(m_ui->edit1005, f.yMax);
}

XYScaleDialog::~XYScaleDialog() = default;

XYScaleFields XYScaleDialog::fields() const
{
    XYScaleFields f;
    f.minLabel = m_ui->labelMin->text().toStdString();
    f.maxLabel = m_ui->labelMax->text().toStdString();
    f.xMin = editText(m_ui->edit1002);
    f.xMax = editText(m_ui->edit1003);
    f.yMin = editText(m_ui->edit1004);
    f.yMax = editText(m_ui->edit1005);
    return f;
}

bool runXYScaleDialog(QWidget* parent, XYScaleFields& fields)
{
    return runFieldsDialog<XYScaleDialog>(parent, fields);
}

}  // namespace halden

#include "moc_XYScaleDialog.cpp"
