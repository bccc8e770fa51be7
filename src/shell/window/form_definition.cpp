#include "shell/window/form_definition.h"

#include "design/filter_types.h"

#include "shell/window/labeled_edit.h"
#include "shell/window/schematic_view.h"
#include "shell/window/schematics.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace torvel {
namespace {

constexpr int kEditHeight = 20;
constexpr int kRowPitch = 22;

template <typename Widget>
Widget* placed(Widget* widget, const char* objectName, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QGroupBox* groupBox(QWidget& parent, const char* name, const QString& title, QRect geometry)
{
    auto* box = placed(new QGroupBox(title, &parent), name, geometry.x(), geometry.y(), geometry.width(),
                       geometry.height());
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

TLabeledEdit* labeledEdit(QWidget* parent, Field field, int left, int top, int width)
{
    const FieldInfo& info = fieldInfo(field);
    return new TLabeledEdit(QString::fromUtf8(info.objectName.data(), static_cast<qsizetype>(info.objectName.size())),
                            QString::fromUtf8(info.caption.data(), static_cast<qsizetype>(info.caption.size())),
                            QRect(left, top, width, kEditHeight), parent);
}

QComboBox* seriesCombo(QWidget* parent, const char* name, int left, const QStringList& items, const QString& text,
                       const QString& hint, QLabel* label)
{
    auto* combo = placed(new QComboBox(parent), name, left, 18, 49, kEditHeight);
    combo->setEditable(true);
    combo->addItems(items);
    // Enter must not add the typed text to the list: a typed series size is used as it stands.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setEditText(text);
    combo->setToolTip(hint);
    label->setBuddy(combo);
    return combo;
}

QLabel* staticLabel(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* label = placed(new QLabel(text, parent), name, geometry.x(), geometry.y(), geometry.width(),
                         geometry.height());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* button(QWidget& parent, const char* name, const QString& caption, int left, int width)
{
    auto* push = placed(new QPushButton(caption, &parent), name, left, 369, width, 25);
    // No button is the default: Enter belongs to the value fields.
    push->setAutoDefault(false);
    push->setDefault(false);
    return push;
}

void buildElementValues(FormControls& c, QWidget& form)
{
    c.GroupBoxElement = groupBox(form, "GroupBoxElement", QStringLiteral(" 素子値 "), {8, 56, 113, 298});
    const Field elements[] = {Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4,
                              Field::R5, Field::R6, Field::R7, Field::R8, Field::R9, Field::R10};
    int top = 20;
    for (Field field : elements) {
        c.edits[static_cast<std::size_t>(field)] = labeledEdit(c.GroupBoxElement, field, 30, top, 70);
        top += kRowPitch;
    }
    for (Field field : {Field::R7, Field::R8, Field::R9, Field::R10})
        c.edit(field)->hide();
}

void buildFilterTypes(FormControls& c, QWidget& form)
{
    c.GroupBoxType = groupBox(form, "GroupBoxType", QStringLiteral(" フィルタ形式 "), {138, 56, 117, 151});
    int top = 20;
    for (FilterType type : kAllFilterTypes) {
        const FilterTypeInfo& info = filterTypeInfo(type);
        auto* radio = new QRadioButton(QString::fromUtf8(info.caption.data(), static_cast<qsizetype>(info.caption.size())),
                                       c.GroupBoxType);
        radio->setObjectName(QString::fromUtf8(info.objectName.data(), static_cast<qsizetype>(info.objectName.size())));
        radio->setGeometry(15, top, 100, 17);
        radio->setProperty("filterTypeCode", info.code);
        c.radios[static_cast<std::size_t>(type)] = radio;
        top += 18;
    }
    c.radio(FilterType::Lpf)->setChecked(true);
}

void buildTransferFunction(FormControls& c, QWidget& form)
{
    c.GroupBoxTF = groupBox(form, "GroupBoxTF", QStringLiteral(" 伝達関数"), {138, 230, 117, 124});
    int top = 20;
    for (Field field : {Field::H, Field::Fo, Field::Q, Field::Fn}) {
        c.edits[static_cast<std::size_t>(field)] = labeledEdit(c.GroupBoxTF, field, 32, top, 65);
        top += kRowPitch;
    }
    c.edit(Field::Fn)->hide();
}

void buildSeriesChoice(FormControls& c, QWidget& form)
{
    c.GroupBoxEV = groupBox(form, "GroupBoxEV", QStringLiteral("Ｅ－系列値指定"), {327, 345, 393, 48});
    c.LabelE1 = staticLabel(c.GroupBoxEV, "LabelE1", QStringLiteral("抵抗"), {1, 21, 40, 13});
    c.ComboBoxEvalE1 = seriesCombo(c.GroupBoxEV, "ComboBoxEvalE1", 45,
                                   {QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("48"),
                                    QStringLiteral("96"), QStringLiteral("192"), QStringLiteral("∞")},
                                   QStringLiteral("24"), QStringLiteral("抵抗のＥ系列値"), c.LabelE1);
    c.LabelE2 = staticLabel(c.GroupBoxEV, "LabelE2", QStringLiteral("コンデンサ"), {97, 21, 67, 13});
    c.ComboBoxEvalE2 = seriesCombo(c.GroupBoxEV, "ComboBoxEvalE2", 167,
                                   {QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("48"),
                                    QStringLiteral("96"), QStringLiteral("192")},
                                   QStringLiteral("6"), QStringLiteral("コンデンサのＥ系列値"), c.LabelE2);
    TLabeledEdit* impedance = labeledEdit(c.GroupBoxEV, Field::Zval, 335, 18, 40);
    c.edits[static_cast<std::size_t>(Field::Zval)] = impedance;
    impedance->setText(QStringLiteral("4.7K"));
    const QString hint = QStringLiteral("主コンデンサ等の概略インピーダンスを指定");
    impedance->setToolTip(hint);
    impedance->EditLabel()->setToolTip(hint);
}

void buildButtons(FormControls& c, QWidget& form)
{
    c.ButtonCir = button(form, "ButtonCir", QStringLiteral("回路定数算出"), 8, 89);
    c.ButtonTF = button(form, "ButtonTF", QStringLiteral("伝達関数算出"), 106, 89);
    c.ButtonPrint = button(form, "ButtonPrint", QStringLiteral("印刷"), 203, 50);
    c.ButtonExit = button(form, "ButtonExit", QStringLiteral("終了"), 262, 50);
}

void buildPeakLevels(FormControls& c, QWidget& form)
{
    c.GroupBox1 = groupBox(form, "GroupBox1", QStringLiteral(" ピークレベル "), {8, 8, 712, 41});
    const int lefts[kLabelCount] = {14, 165, 317, 468, 620};
    for (Label label : kAllLabels) {
        const auto index = static_cast<std::size_t>(label);
        const QByteArray name = "Label" + QByteArray(labelName(label).data(), static_cast<qsizetype>(labelName(label).size()));
        auto* peak = placed(new QLabel(c.GroupBox1), name.constData(), lefts[index], 18, 6, 12);
        peak->setTextFormat(Qt::PlainText);
        c.peakLabels[index] = peak;
    }
}

void buildSchematics(FormControls& c, QWidget& form)
{
    for (Image which : kAllImages) {
        const QString name = QString::fromUtf8(imageName(which).data(), static_cast<qsizetype>(imageName(which).size()));
        auto* view = new TImage(name, drawSchematic(which).image, QRect(275, 63, kSchematicWidth, kSchematicHeight), &form);
        view->setVisible(which == Image::Image3);
        c.images[static_cast<std::size_t>(which)] = view;
    }
}

// Tab order: the window's groups and buttons in their order, each group followed by its own controls.
void setTabOrder(FormControls& c)
{
    std::vector<QWidget*> chain;
    for (Field field : {Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4, Field::R5, Field::R6,
                        Field::R7, Field::R8, Field::R9, Field::R10})
        chain.push_back(c.edit(field));
    for (QRadioButton* radio : c.radios)
        chain.push_back(radio);
    for (Field field : {Field::H, Field::Fo, Field::Q, Field::Fn})
        chain.push_back(c.edit(field));
    chain.insert(chain.end(), {c.ComboBoxEvalE1, c.ComboBoxEvalE2, c.edit(Field::Zval), c.ButtonCir, c.ButtonTF,
                               c.ButtonPrint, c.ButtonExit});
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    for (QWidget* widget : chain) {
        if (!qobject_cast<QRadioButton*>(widget))
            c.navigationStops.push_back(widget);
        else if (widget == c.radios.front())
            c.navigationStops.push_back(c.GroupBoxType);
    }
}

}  // namespace

FormControls buildFormControls(QWidget& form)
{
    // The layout puts the first row of a group 18 to 20 pixels below the group's top edge, which
    // leaves room for a caption that sits on the frame line, not above it.
    // A style sheet stops the window's font from reaching the controls on its own, so it names it too.
    const QFont font = form.font();
    form.setStyleSheet(QStringLiteral("QWidget { font-family: \"%1\"; font-size: %2px; }").arg(font.family()).arg(font.pixelSize()) + QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px;"
        " background-color: palette(window); }"));
    FormControls c;
    // Creation order is also the order in which the controls are painted and reported to assistive
    // technology: top strip first, then columns left to right.
    buildPeakLevels(c, form);
    buildElementValues(c, form);
    buildFilterTypes(c, form);
    buildTransferFunction(c, form);
    buildButtons(c, form);
    buildSeriesChoice(c, form);
    buildSchematics(c, form);
    setTabOrder(c);
    moveTypeTabStop(c);
    return c;
}

void moveTypeTabStop(const FormControls& controls)
{
    for (QRadioButton* radio : controls.radios)
        radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

}  // namespace torvel
