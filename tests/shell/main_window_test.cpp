// The real window driven as a user drives it: typing into the boxes, clicking the buttons and the type
// buttons, pressing keys. Its results must be those of the same commands on the in-memory panel and of
// torvel-cli.
#include "design/model_session.h"
#include "shell/window/labeled_edit.h"
#include "shell/messages/message_dialogs.h"
#include "shell/tools/design_tools.h"
#include "shell/tools/response_window.h"
#include "shell/window/schematic_view.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QAction>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace torvel;
using namespace torvel::test;

Q_DECLARE_METATYPE(torvel::FilterType)

namespace {

Field fieldByKey(const QString& key)
{
    for (Field field : kAllFields) {
        if (QString::fromUtf8(fieldInfo(field).key.data()) == key)
            return field;
    }
    qFatal("no field %s", qPrintable(key));
}

// Everything the logic can see of a panel, one line per control, for comparisons that show the
// difference when they fail.
QStringList panelState(const DesignPanel& panel)
{
    QStringList lines;
    for (Field field : kAllFields) {
        lines << QString::fromUtf8(fieldInfo(field).key.data()) + "=[" + QString::fromStdString(panel.fieldText(field))
                     + "]" + (panel.fieldVisible(field) ? "" : " hidden");
    }
    lines << "E1=" + QString::fromStdString(panel.comboText(Combo::EvalE1))
          << "E2=" + QString::fromStdString(panel.comboText(Combo::EvalE2));
    for (Label label : kAllLabels)
        lines << QString::fromUtf8(labelName(label).data()) + "=" + QString::fromStdString(panel.labelText(label));
    for (Image image : kAllImages) {
        if (panel.imageVisible(image))
            lines << "shown " + QString::fromUtf8(imageName(image).data());
    }
    lines << "checked " + QString::fromUtf8(filterTypeInfo(checkedFilterType(panel)).caption.data());
    return lines;
}

void clickRadio(QRadioButton* radio)
{
    // A click in the middle of a wide radio button misses its indicator and text.
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startState();
    void controlsDoNotOverlapAndTextsFit();
    void accessibleNames();
    void commandsMatchTheInMemoryPanel_data();
    void commandsMatchTheInMemoryPanel();
    void synthesisMatchesTorvelCli();
    void faultShowsItsTextAndTheProgramGoesOn();
    void faultBoxIsAStopBoxTitledByTheProgram();
    void typeButtonsRunTheHandlerHoweverChecked();
    void navigation_data();
    void navigation();
    void boxEnteredByKeyboardSelectsAll();
    void enterInSeriesAndImpedanceStays_data();
    void enterInSeriesAndImpedanceStays();
    void messageBoxCentredOnWindowAndCombosClearedAfter();
    void everyClosePathSavesOnce_data();
    void everyClosePathSavesOnce();
    void closingWithTheResponseWindowOpenEndsTheProgram_data();
    void closingWithTheResponseWindowOpenEndsTheProgram();
    void fullWidthInputIsReadAndShownAsTyped();

private:
    TFormMain& shown();
    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    std::unique_ptr<TFormMain> m_form;
    ModalGuard m_guard;
};

void MainWindowTest::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Torvel"));
}

void MainWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_recorder = {};
    m_form = openWindow(m_dir->filePath(QStringLiteral("torvel.ini")), m_recorder);
}

void MainWindowTest::cleanup()
{
    m_form.reset();
    m_dir.reset();
    QCOMPARE(m_guard.takeClosed(), QStringList());
}

TFormMain& MainWindowTest::shown()
{
    m_form->show();
    m_form->activateWindow();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qWarning("window not active");
    return *m_form;
}

void MainWindowTest::startState()
{
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    QCOMPARE(form.windowTitle(), QStringLiteral("Torvel Ver1.00"));
    // The client area below the menu bar is the window's layout: 737 x 407, controls at their places.
    QCOMPARE(form.size() - QSize(0, form.menuBarHeight()), QSize(737, 407));
    QCOMPARE(c.ButtonCir->pos(), QPoint(8, 369 + form.menuBarHeight()));
    QCOMPARE(c.GroupBox1->pos(), QPoint(8, 8 + form.menuBarHeight()));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(FormMain, &form);
    QCOMPARE(form.designer().workingType(), WorkingType::Lpf);
    ModelSession model;
    QCOMPARE(panelState(form), panelState(model.panel));
    QCOMPARE(QApplication::focusWidget(), c.edit(Field::C1));
    QStringList items;
    for (int i = 0; i < c.ComboBoxEvalE1->count(); ++i)
        items << c.ComboBoxEvalE1->itemText(i);
    QCOMPARE(items, (QStringList{"6", "12", "24", "48", "96", "192", "∞"}));
    QCOMPARE(c.ComboBoxEvalE2->count(), 6);
    QCOMPARE(c.ComboBoxEvalE1->toolTip(), QStringLiteral("抵抗のＥ系列値"));
    QCOMPARE(c.edit(Field::Zval)->EditLabel()->toolTip(), QStringLiteral("主コンデンサ等の概略インピーダンスを指定"));
    for (QPushButton* button : {c.ButtonCir, c.ButtonTF, c.ButtonPrint, c.ButtonExit})
        QVERIFY(!button->isDefault() && !button->autoDefault());
    QCOMPARE(c.edit(Field::C1)->EditLabel()->text(), QStringLiteral(" C1"));
    QCOMPARE(c.ButtonCir->text(), QStringLiteral("回路定数算出"));
    QCOMPARE(c.GroupBoxType->title(), QStringLiteral(" フィルタ形式 "));
}

void MainWindowTest::controlsDoNotOverlapAndTextsFit()
{
    TFormMain& form = shown();
    QList<QWidget*> parents{&form};
    for (QGroupBox* box : form.findChildren<QGroupBox*>())
        parents << box;
    for (QWidget* parent : parents) {
        QList<QWidget*> children;
        for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            // The six schematics share one place; one stands for all. Qt's own helpers are not controls.
            const bool extraSchematic = qobject_cast<TImage*>(child) && child->objectName() != QLatin1String("Image3");
            if (!extraSchematic && !child->objectName().isEmpty())
                children << child;
        }
        for (qsizetype i = 0; i < children.size(); ++i) {
            const QRect a = children[i]->geometry();
            QVERIFY2(QRect(QPoint(0, 0), parent->size()).contains(a), qPrintable(children[i]->objectName()));
            for (qsizetype j = i + 1; j < children.size(); ++j) {
                QVERIFY2(!a.intersects(children[j]->geometry()),
                         qPrintable(children[i]->objectName() + " overlaps " + children[j]->objectName()));
            }
        }
    }
    // With a wrong font the captions would be cut: each must fit its control.
    const FormControls& c = form.controls();
    for (QRadioButton* radio : c.radios)
        QVERIFY2(radio->sizeHint().width() <= radio->width(), qPrintable(radio->text()));
    for (QLabel* label : {c.LabelE1, c.LabelE2})
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    for (QPushButton* button : {c.ButtonCir, c.ButtonTF, c.ButtonPrint, c.ButtonExit})
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(), qPrintable(button->text()));
    // The widest value texts the commands write ("159.1549k" is 9 cells) fit their boxes.
    for (Field field : kAllFields) {
        QLineEdit* edit = c.edit(field);
        const int room = edit->width() - 6;  // frame and text margins
        const QString widest = field == Field::Zval ? QStringLiteral("4.7K") : QStringLiteral("159.1549k");
        QVERIFY2(edit->fontMetrics().horizontalAdvance(widest) <= room, qPrintable(edit->objectName()));
    }
    // The layout counts in cells of the window's font: 6 pixels for a half-width character, 12 for a
    // full-width one, at a height of 12.
    const QFontMetrics cells(form.font());
    QCOMPARE(QFontInfo(form.font()).pixelSize(), 12);
    QCOMPARE(cells.horizontalAdvance(QStringLiteral("R10")), 18);
    QCOMPARE(cells.horizontalAdvance(QStringLiteral("抵抗")), 24);
}

void MainWindowTest::accessibleNames()
{
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    auto nameOf = [](QObject* object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); };
    QCOMPARE(nameOf(c.edit(Field::C1)), QStringLiteral("C1"));
    QCOMPARE(nameOf(c.edit(Field::R2)), QStringLiteral("R2"));
    QCOMPARE(nameOf(c.edit(Field::Fo)), QStringLiteral("fo"));
    QCOMPARE(nameOf(c.edit(Field::Zval)), QStringLiteral("標準ｲﾝﾋﾟｰﾀﾞﾝｽ(Ω)"));
    QCOMPARE(nameOf(c.ButtonTF), QStringLiteral("伝達関数算出"));
    QCOMPARE(nameOf(c.radio(FilterType::TzfLow)), QStringLiteral("TZF (Wo<Wn)"));
    for (auto [combo, label] : {std::pair{c.ComboBoxEvalE1, c.LabelE1}, std::pair{c.ComboBoxEvalE2, c.LabelE2}}) {
        bool labelled = false;
        for (const auto& relation : QAccessible::queryAccessibleInterface(combo)->relations(QAccessible::Label))
            labelled = labelled || relation.first->object() == label;
        QVERIFY2(labelled, qPrintable(label->text()));
    }
    form.setLabelText(Label::A1, "A1:12.40dB(985.08Hz)");
    QCOMPARE(nameOf(c.peakLabel(Label::A1)), QStringLiteral("A1:12.40dB(985.08Hz)"));
}

void MainWindowTest::commandsMatchTheInMemoryPanel_data()
{
    QTest::addColumn<FilterType>("type");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("commands");
    const QStringList both{"synth", "analyze"};
    QTest::newRow("LPF") << FilterType::Lpf << QStringList{"H=1", "fo=1000", "Q=2"} << both;
    QTest::newRow("HPF") << FilterType::Hpf << QStringList{"H=2", "fo=1k", "Q=2"} << both;
    QTest::newRow("BPF") << FilterType::Bpf << QStringList{"H=1", "fo=1k", "Q=5"} << both;
    QTest::newRow("TZF (Wo<Wn)") << FilterType::TzfLow << QStringList{"H=1", "fo=1k", "Q=2", "fn=2k"} << both;
    QTest::newRow("TZF (Wn<Wo)") << FilterType::TzfHigh << QStringList{"H=1", "fo=2k", "Q=2", "fn=1k"} << both;
    QTest::newRow("fo equal to fn moves the choice to Notch")
        << FilterType::TzfLow << QStringList{"H=1", "fo=1k", "Q=3", "fn=1k"} << both;
    QTest::newRow("APF") << FilterType::Apf << QStringList{"H=1", "fo=1k", "Q=0.7"} << both;
    QTest::newRow("E96 resistors, no rounding of capacitors")
        << FilterType::Lpf << QStringList{"H=1", "fo=1234", "Q=0.9", "E2=∞", "E1=96"} << QStringList{"synth"};
    QTest::newRow("ratio warnings one after the other")
        << FilterType::Hpf
        << QStringList{"C1=33n", "C2=33n", "R1=10k", "R2=5.1k", "R3=4.7k", "R4=2.4k", "R5=4.7k", "R6=4.7k",
                       "R7=22k", "R8=1k", "R9=10k", "R10=10k"}
        << QStringList{"analyze"};
    QTest::newRow("unreadable fo stops with a warning") << FilterType::Lpf << QStringList{"H=1", "fo=abc", "Q=2"}
                                                        << QStringList{"synth"};
}

void MainWindowTest::commandsMatchTheInMemoryPanel()
{
    QFETCH(FilterType, type);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, commands);
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    ModelSession model;

    clickRadio(c.radio(type));
    model.panel.checkRadio(type);
    for (const QString& input : inputs) {
        const QString key = input.section(u'=', 0, 0);
        const QString value = input.section(u'=', 1);
        if (key == QLatin1String("E1") || key == QLatin1String("E2")) {
            QComboBox* combo = key == QLatin1String("E1") ? c.ComboBoxEvalE1 : c.ComboBoxEvalE2;
            combo->setFocus(Qt::MouseFocusReason);
            combo->lineEdit()->selectAll();
            typeText(combo, value);
            model.panel.setComboText(key == QLatin1String("E1") ? Combo::EvalE1 : Combo::EvalE2, value.toStdString());
        } else {
            typeInto(c.edit(fieldByKey(key)), value);
            model.panel.setFieldText(fieldByKey(key), value.toStdString());
        }
    }
    for (const QString& command : commands) {
        QTest::mouseClick(command == QLatin1String("synth") ? c.ButtonCir : c.ButtonTF, Qt::LeftButton);
        command == QLatin1String("synth") ? model.designer.synthesize() : model.designer.analyze();
    }
    QCOMPARE(panelState(form), panelState(model.panel));
    QCOMPARE(form.designer().workingType(), model.designer.workingType());
    QStringList shownMessages;
    QStringList modelMessages;
    for (const RecordedMessage& m : m_recorder.messages)
        shownMessages << m.text + (m.kind == MessageKind::Warning ? " (warning)" : " (other)");
    for (const ShownMessage& m : model.panel.messages())
        modelMessages << QString::fromStdString(m.text) + (m.kind == MessageKind::Warning ? " (warning)" : " (other)");
    QCOMPARE(shownMessages, modelMessages);
    QVERIFY(m_recorder.faults.isEmpty());
}

void MainWindowTest::synthesisMatchesTorvelCli()
{
    QProcess cli;
    cli.start(QStringLiteral(TORVEL_CLI_PATH), {"synth", "--H", "1", "--fo", "1000", "--Q", "2", "--json"});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QJsonObject fields = QJsonDocument::fromJson(cli.readAllStandardOutput()).object().value("fields").toObject();

    TFormMain& form = shown();
    typeInto(form.controls().edit(Field::H), "1");
    typeInto(form.controls().edit(Field::Fo), "1000");
    typeInto(form.controls().edit(Field::Q), "2");
    QTest::mouseClick(form.controls().ButtonCir, Qt::LeftButton);
    for (Field field : kAllFields) {
        const QJsonObject expected = fields.value(QString::fromUtf8(fieldInfo(field).key.data())).toObject();
        QCOMPARE(QString::fromStdString(form.fieldText(field)), expected.value("text").toString());
        QCOMPARE(form.fieldVisible(field), expected.value("visible").toBool());
    }
    QCOMPARE(QString::fromStdString(form.fieldText(Field::C1)), QStringLiteral(" 33.0000n"));
}

void MainWindowTest::faultShowsItsTextAndTheProgramGoesOn()
{
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    // H = 0: C1 and C2 come first, then the loop divides by the gain.
    typeInto(c.edit(Field::H), "0");
    typeInto(c.edit(Field::Fo), "1k");
    typeInto(c.edit(Field::Q), "1");
    QTest::mouseClick(c.ButtonCir, Qt::LeftButton);
    QCOMPARE(m_recorder.faults, QStringList{"Floating point division by zero."});
    QVERIFY(!form.fieldText(Field::C1).empty());
    QCOMPARE(form.fieldText(Field::R1), std::string());
    QVERIFY(form.isVisible());

    typeInto(c.edit(Field::H), "1");
    QTest::mouseClick(c.ButtonCir, Qt::LeftButton);
    QCOMPARE(m_recorder.faults.size(), 1);
    QVERIFY(!form.fieldText(Field::R1).empty());
}

void MainWindowTest::faultBoxIsAStopBoxTitledByTheProgram()
{
    TFormMain& form = shown();
    form.setMessageHandlers({[](const QString&, MessageKind) {}, [&form](const QString& text) { showFaultBox(text, &form); }});
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QObject inspection;  // ends the wait with this test, whose locals the inspector writes
    inspectNextMessageBox(&inspection, [&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        buttons = box.standardButtons();
    });
    typeInto(form.controls().edit(Field::H), "0");
    typeInto(form.controls().edit(Field::Fo), "1k");
    typeInto(form.controls().edit(Field::Q), "1");
    QTest::mouseClick(form.controls().ButtonCir, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Torvel"));
    QCOMPARE(text, QStringLiteral("Floating point division by zero."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::typeButtonsRunTheHandlerHoweverChecked()
{
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    // From the logic: the handler has run when the setter returns.
    form.checkRadio(FilterType::Hpf);
    QCOMPARE(form.designer().workingType(), WorkingType::Hpf);
    QVERIFY(form.imageVisible(Image::Image4) && form.fieldVisible(Field::R7));
    // From assistive technology, which toggles without a click.
    QAccessibleInterface* radio = QAccessible::queryAccessibleInterface(c.radio(FilterType::Apf));
    radio->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE(form.designer().workingType(), WorkingType::Apf);
    QVERIFY(form.imageVisible(Image::Image8) && !form.fieldVisible(Field::R8));
    // From the keyboard inside the group: the tab stop moves with the choice.
    c.radio(FilterType::Apf)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(c.radio(FilterType::Apf), Qt::Key_Up);
    QTRY_VERIFY(c.radio(FilterType::Notch)->isChecked());
    QCOMPARE(form.designer().workingType(), WorkingType::Tzf);
    QVERIFY(c.radio(FilterType::Notch)->focusPolicy() & Qt::TabFocus);
    QVERIFY(!(c.radio(FilterType::Apf)->focusPolicy() & Qt::TabFocus));
}

void MainWindowTest::navigation_data()
{
    QTest::addColumn<FilterType>("type");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("to");
    const int none = Qt::NoModifier;
    QTest::newRow("Enter to the next box") << FilterType::Lpf << "LabeledEditC1" << int(Qt::Key_Return) << none << "LabeledEditC2";
    QTest::newRow("Down to the next box") << FilterType::Lpf << "LabeledEditR1" << int(Qt::Key_Down) << none << "LabeledEditR2";
    QTest::newRow("Up to the previous box") << FilterType::Lpf << "LabeledEditR1" << int(Qt::Key_Up) << none << "LabeledEditC2";
    QTest::newRow("R6 skips hidden R7-R10 to the type group")
        << FilterType::Lpf << "LabeledEditR6" << int(Qt::Key_Return) << none << "RadioButton1";
    QTest::newRow("R6 to R7 when shown") << FilterType::Hpf << "LabeledEditR6" << int(Qt::Key_Down) << none << "LabeledEditR7";
    QTest::newRow("R10 to the checked type button")
        << FilterType::Hpf << "LabeledEditR10" << int(Qt::Key_Return) << none << "RadioButton2";
    QTest::newRow("Up from H to the checked type button")
        << FilterType::Bpf << "LabeledEditH" << int(Qt::Key_Up) << none << "RadioButton3";
    QTest::newRow("Q to E1 while fn is hidden") << FilterType::Lpf << "LabeledEditQ" << int(Qt::Key_Return) << none << "ComboBoxEvalE1";
    QTest::newRow("Q to fn while it is shown") << FilterType::TzfLow << "LabeledEditQ" << int(Qt::Key_Return) << none << "LabeledEditFn";
    QTest::newRow("Up from C1 wraps to the quit button")
        << FilterType::Lpf << "LabeledEditC1" << int(Qt::Key_Up) << none << "ButtonExit";
    QTest::newRow("Shift+Enter as Enter") << FilterType::Lpf << "LabeledEditC1" << int(Qt::Key_Return) << int(Qt::ShiftModifier)
                                          << "LabeledEditC2";
    QTest::newRow("Ctrl+Down as Down") << FilterType::Lpf << "LabeledEditC2" << int(Qt::Key_Down) << int(Qt::ControlModifier)
                                       << "LabeledEditR1";
    QTest::newRow("keypad Enter") << FilterType::Lpf << "LabeledEditFo" << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
                                  << "LabeledEditQ";
}

void MainWindowTest::navigation()
{
    QFETCH(FilterType, type);
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, to);
    TFormMain& form = shown();
    form.checkRadio(type);
    auto* start = form.findChild<QLineEdit*>(from);
    QVERIFY(start);
    start->setText(QStringLiteral("1k5"));
    start->setFocus(Qt::MouseFocusReason);
    start->setCursorPosition(1);
    QTest::keyClick(start, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
    // The key never reached the box: nothing inserted, the caret where it was.
    QCOMPARE(start->text(), QStringLiteral("1k5"));
    QCOMPARE(start->cursorPosition(), 1);
}

void MainWindowTest::boxEnteredByKeyboardSelectsAll()
{
    TFormMain& form = shown();
    QLineEdit* c2 = form.controls().edit(Field::C2);
    c2->setText(QStringLiteral("33n"));
    QTest::keyClick(form.controls().edit(Field::C1), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), c2);
    QCOMPARE(c2->selectedText(), QStringLiteral("33n"));
    // A click puts the caret where it lands and selects nothing.
    QTest::mouseClick(form.controls().edit(Field::R1), Qt::LeftButton, {}, QPoint(4, 10));
    form.controls().edit(Field::R1)->setText(QStringLiteral("10k"));
    QTest::mouseClick(c2, Qt::LeftButton, {}, QPoint(4, 10));
    QCOMPARE(c2->selectedText(), QString());
}

void MainWindowTest::enterInSeriesAndImpedanceStays_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("resistor series") << "ComboBoxEvalE1";
    QTest::newRow("capacitor series") << "ComboBoxEvalE2";
    QTest::newRow("standard impedance") << "LabeledEditZval";
}

void MainWindowTest::enterInSeriesAndImpedanceStays()
{
    QFETCH(QString, name);
    TFormMain& form = shown();
    auto* control = form.findChild<QWidget*>(name);
    auto* combo = qobject_cast<QComboBox*>(control);
    const int items = combo ? combo->count() : 0;
    control->setFocus(Qt::MouseFocusReason);
    QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
    edit->selectAll();
    QTest::keyClicks(control, QStringLiteral("10"));
    QTest::keyClick(control, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control);
    QCOMPARE(edit->text(), QStringLiteral("10"));
    if (combo)
        QCOMPARE(combo->count(), items);  // not added to the list
}

void MainWindowTest::messageBoxCentredOnWindowAndCombosClearedAfter()
{
    TFormMain& form = shown();
    form.move(30, 40);
    form.setMessageHandlers({[&form](const QString& text, MessageKind kind) {
                                 torvel::CenteredMessage(text, kind, MessageButtons::Ok, 0, &form);
                             },
                             [](const QString&) {}});
    QComboBox* series = form.controls().ComboBoxEvalE1;
    series->lineEdit()->selectAll();
    QVERIFY(series->lineEdit()->hasSelectedText());

    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QRect boxFrame;
    ScreenPoint expected;
    QObject inspection;  // ends the wait with this test, whose locals the inspector writes
    inspectNextMessageBox(&inspection, [&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        boxFrame = box.frameGeometry();
        const QRect owner = form.frameGeometry();
        expected = centredMessagePosition({owner.left(), owner.top(), owner.left() + owner.width(), owner.top() + owner.height()},
                                          boxFrame.width(), boxFrame.height(), MonitorWorkArea(&form));
    });
    form.CenteredMessage("R7/R9 の比が不適切です。", MessageKind::Warning, MessageButtons::Ok);
    QCOMPARE(title, QStringLiteral("Warning"));
    QCOMPARE(text, QStringLiteral("R7/R9 の比が不適切です。"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(boxFrame.topLeft(), QPoint(expected.x, expected.y));
    QTRY_VERIFY(!series->lineEdit()->hasSelectedText());
}

void MainWindowTest::everyClosePathSavesOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("quit button") << "button";
    QTest::newRow("close box, window menu or Alt+F4 through the window manager") << "window manager";
    QTest::newRow("the window's own close") << "close";
}

void MainWindowTest::everyClosePathSavesOnce()
{
    QFETCH(QString, path);
    TFormMain& form = shown();
    QSignalSpy saved(&form, &TFormMain::settingsSaved);
    if (path == QLatin1String("button")) {
        QTest::mouseClick(form.controls().ButtonExit, Qt::LeftButton);
    } else if (path == QLatin1String("window manager")) {
        QCloseEvent request;
        QApplication::sendEvent(form.windowHandle(), &request);
    } else {
        form.close();
    }
    QVERIFY(!form.isVisible());
    QCOMPARE(saved.count(), 1);
    form.close();  // a second request after closing writes nothing more
    QCOMPARE(saved.count(), 1);
    QFile file(form.settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().size() > 2);
}

void MainWindowTest::closingWithTheResponseWindowOpenEndsTheProgram_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("quit button") << "button";
    QTest::newRow("quit in the file menu") << "menu";
    QTest::newRow("Ctrl+Q") << "key";
    QTest::newRow("close box through the window manager") << "window manager";
}

// The program's event loop runs as in main(): closing the main window by any path, with the response
// window open, must close that window too and end the loop, the settings written once.
void MainWindowTest::closingWithTheResponseWindowOpenEndsTheProgram()
{
    QFETCH(QString, path);
    TFormMain& form = shown();
    form.setFieldText(Field::H, "1");
    form.setFieldText(Field::Fo, "1k");
    form.setFieldText(Field::Q, "2");
    form.ButtonCirClick();
    form.tools().openResponseWindow();
    QPointer<ResponseWindow> response = form.tools().responseWindow();
    QVERIFY(response && response->isVisible());
    // The user comes back to the main window to quit.
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSignalSpy saved(&form, &TFormMain::settingsSaved);

    QElapsedTimer sinceQuit;
    QTimer::singleShot(0, &form, [&] {
        sinceQuit.start();
        if (path == QLatin1String("button")) {
            QTest::mouseClick(form.controls().ButtonExit, Qt::LeftButton);
        } else if (path == QLatin1String("menu")) {
            for (QAction* action : form.tools().menuBar()->findChildren<QAction*>())
                if (action->text().startsWith(QStringLiteral("終了")))
                    action->trigger();
        } else if (path == QLatin1String("key")) {
            QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_Q));
        } else {
            QCloseEvent request;
            QApplication::sendEvent(form.windowHandle(), &request);
        }
    });
    bool hung = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [&] {
        hung = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(10000);
    const int status = QApplication::exec();
    qInfo("event loop ended %lld ms after the quit", static_cast<long long>(sinceQuit.elapsed()));
    QVERIFY2(!hung, "the program went on after its main window closed");
    QCOMPARE(status, 0);
    QVERIFY(!form.isVisible());
    QVERIFY(!response->isVisible());
    QCOMPARE(saved.count(), 1);
}

// Full-width mode of a Japanese input method: the boxes keep what was typed, the commands read it as its
// ASCII form, in the window as in torvel-cli.
void MainWindowTest::fullWidthInputIsReadAndShownAsTyped()
{
    TFormMain& form = shown();
    const FormControls& c = form.controls();
    for (auto [field, text] : {std::pair{Field::H, QStringLiteral("１")}, {Field::Fo, QStringLiteral("１ｋ")},
                               {Field::Q, QStringLiteral("２．０")}}) {
        c.edit(field)->setFocus(Qt::MouseFocusReason);
        c.edit(field)->selectAll();
        typeText(c.edit(field), text);
    }
    c.ComboBoxEvalE1->setFocus(Qt::MouseFocusReason);
    c.ComboBoxEvalE1->lineEdit()->selectAll();
    typeText(c.ComboBoxEvalE1, QStringLiteral("９６"));
    QTest::mouseClick(c.ButtonCir, Qt::LeftButton);
    QVERIFY(m_recorder.messages.empty());
    QCOMPARE(c.edit(Field::H)->text(), QStringLiteral("１"));
    QCOMPARE(c.edit(Field::Fo)->text(), QStringLiteral("１ｋ"));

    ModelSession model;
    model.panel.setFieldText(Field::H, "1");
    model.panel.setFieldText(Field::Fo, "1000");
    model.panel.setFieldText(Field::Q, "2");
    model.panel.setComboText(Combo::EvalE1, "96");
    QCOMPARE(model.designer.synthesize().status, CommandStatus::Completed);
    for (Field field : {Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4})
        QCOMPARE(form.fieldText(field), model.panel.fieldText(field));

    QProcess cli;
    cli.start(QStringLiteral(TORVEL_CLI_PATH), {"synth", "--H", "１", "--fo", "１ｋ", "--Q", "２．０", "--E1", "９６", "--json"});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QJsonObject fields = QJsonDocument::fromJson(cli.readAllStandardOutput()).object().value("fields").toObject();
    QCOMPARE(fields.value("R1").toObject().value("text").toString(), QString::fromStdString(form.fieldText(Field::R1)));
    QCOMPARE(fields.value("fo").toObject().value("text").toString(), QStringLiteral("１ｋ"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
