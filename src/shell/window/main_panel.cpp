// The window as the design logic sees it: each named field, combo box, label, image and radio button of
// the design panel is the control of the same name.
#include "shell/window/Main.h"

#include "shell/window/labeled_edit.h"
#include "shell/window/schematic_view.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace torvel {
namespace {

QString qText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

std::string TFormMain::fieldText(Field field) const { return m_controls.edit(field)->text().toStdString(); }

void TFormMain::setFieldText(Field field, std::string_view text) { m_controls.edit(field)->setText(qText(text)); }

// Hidden is asked of the control itself, not of the screen: the window may not be shown yet.
bool TFormMain::fieldVisible(Field field) const { return !m_controls.edit(field)->isHidden(); }

void TFormMain::setFieldVisible(Field field, bool visible) { m_controls.edit(field)->setVisible(visible); }

std::string TFormMain::fieldCaption(Field field) const
{
    return m_controls.edit(field)->EditLabel()->text().toStdString();
}

std::string TFormMain::comboText(Combo combo) const { return m_controls.combo(combo)->currentText().toStdString(); }

void TFormMain::setComboText(Combo combo, std::string_view text) { m_controls.combo(combo)->setEditText(qText(text)); }

std::string TFormMain::labelText(Label label) const { return m_controls.peakLabel(label)->text().toStdString(); }

void TFormMain::setLabelText(Label label, std::string_view text)
{
    QLabel* peak = m_controls.peakLabel(label);
    const QString value = qText(text);
    peak->setText(value);
    peak->adjustSize();
    // A label with an accessible name is read out by that name; these have none, and the description
    // carries the text as well for readers that only look there.
    peak->setAccessibleDescription(value);
}

bool TFormMain::imageVisible(Image image) const { return !m_controls.image(image)->isHidden(); }

void TFormMain::setImageVisible(Image image, bool visible) { m_controls.image(image)->setVisible(visible); }

bool TFormMain::radioChecked(FilterType type) const { return m_controls.radio(type)->isChecked(); }

void TFormMain::checkRadio(FilterType type)
{
    // The button's toggled signal runs RadioButton1Click before setChecked returns.
    m_controls.radio(type)->setChecked(true);
}

void TFormMain::RaiseWindow()
{
    show();
    raise();
    activateWindow();
}

void TFormMain::ProcessPendingMessages() { QCoreApplication::processEvents(); }

void TFormMain::CenteredMessage(std::string_view text, MessageKind kind, MessageButtons)
{
    m_messages.message(qText(text), kind);
}

}  // namespace torvel
