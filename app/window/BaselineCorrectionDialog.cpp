#include "window/BaselineCorrectionDialog.h"
#include "window/FieldsDialog.h"

#include "ui_BaselineCorrectionDialog.h"
#include "window/WidgetText.h"

namespace halden {

BaselineCorrectionDialog::BaselineCorrectionDialog(QWidget* parent, const BaselineDialog& fields)
    : QDialog(parent), m_ui(std::make_unique<Ui::BaselineCorrectionDialog>())
{
    m_ui->setupUi(this);
    showFields(fields);
    connect(m_ui->check1048, &QAbstractButton::clicked, this, [this] {
        BaselineDialog f = this->fields();
        clickFromLoaded(f);
        showFields(f);
    });
    connect(m_ui->check1049, &QAbstractButton::clicked, this, [this] {
        BaselineDialog f = this->fields();
        clickFromCollected(f);
        showFields(f);
    });
}

BaselineCorrectionDialog::~BaselineCorrectionDialog() = default;

void BaselineCorrectionDialog::showFields(const BaselineDialog& f)
{
    setEditText(m_ui->edit1047, f.windowText);
    setEditText(m_ui->edit1001, f.iterationsText);
    m_ui->check1048->setChecked(f.fromLoaded);
    m_ui->check1049->setChecked(f.fromCollected);
}

BaselineDialog BaselineCorrectionDialog::fields() const
{
    BaselineDialog f;
    f.windowText = editText(m_ui->edit1047);
    f.iterationsText = editText(m_ui->edit1001);
    f.fromLoaded = m_ui->check1048->isChecked();
    f.fromCollected = m_ui->check1049->isChecked();
    return f;
}

bool runBaselineDialog(QWidget* parent, BaselineDialog& fields)
{
    return runFieldsDialog<BaselineCorrectionDialog>(parent, fields);
}

}  // namespace halden

#include "moc_BaselineCorrectionDialog.cpp"
