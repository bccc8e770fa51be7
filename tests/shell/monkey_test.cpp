// A fixed-seed monkey on the real window: random texts (SI prefixes, full-width characters, "∞",
// garbage) typed into the fields and series boxes, types chosen, both calculations pressed, Enter, Up
// and Down pressed; every message answered. After every action the panel must still be consistent.
#include "design/filter_types.h"
#include "shell/window/form_definition.h"
#include "shell/window/labeled_edit.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

using namespace torvel;
using namespace torvel::test;

namespace {

const QStringList kTokens = {"1", "4.7", "33", "0", "-1", "1e3", "2.2e-9", "1k5", "4R7", "k", "n", "u", "μ", "µ",
                             "M", "m", "p", "T", "G", "４.７ｋ", "ｋ", "∞", ".", ",", " ", "e", "E", "+", "-", "Ω",
                             "abc", "1e400", "999.99996", "1000", "0.7071", "2", "10", "192", "\t", "﹅", "🙂"};

// Readable values, so that commands get past their reading often enough to reach the arithmetic: mantissas
// around the E-series decades and each prefix, both spellings of micro, full-width forms.
const QStringList kMantissas = {"1", "2.2", "4.7", "10", "33", "100", "0.5", "0.7071", "999.99996", "1000", "-1",
                                "0", "１", "４.７", "1e3"};
const QStringList kPrefixes = {"", "", "p", "n", "u", "μ", "µ", "m", "k", "K", "M", "G", "T", "ｋ", "Ｍ"};

// How the commands ended; each must be reached for the run to mean anything.
struct Outcomes {
    int completed = 0;
    int stopped = 0;  // a warning: an unreadable field or an unsuitable ratio
    int faults = 0;
};

class Monkey {
public:
    Monkey(TFormMain& form, const Recorder& recorder, std::uint64_t seed)
        : m_form(form), m_recorder(recorder), m_random(seed)
    {
    }

    Outcomes synthesis;
    Outcomes analysis;

    void act()
    {
        switch (pick(8)) {
        case 0:
        case 1: typeInto(m_form.controls().edit(kAllFields[pick(kFieldCount)])); break;
        case 2: typeInto(pick(2) ? m_form.controls().ComboBoxEvalE1 : m_form.controls().ComboBoxEvalE2); break;
        case 3: m_form.controls().radio(kAllFilterTypes[pick(kFilterTypeCount)])->click(); break;
        case 4: command(m_form.controls().ButtonCir, synthesis); break;
        case 5: command(m_form.controls().ButtonTF, analysis); break;
        default: navigate(); break;
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    QString randomText()
    {
        if (pick(3))
            return kMantissas[pick(static_cast<int>(kMantissas.size()))] + kPrefixes[pick(static_cast<int>(kPrefixes.size()))];
        QString text;
        for (int i = pick(5); i >= 0; --i)
            text += pick(10) ? kTokens[pick(static_cast<int>(kTokens.size()))] : garbageCharacter();
        return text;
    }

    // ASCII, kana and full-width forms: what a Japanese keyboard can produce.
    QChar garbageCharacter()
    {
        switch (pick(3)) {
        case 0: return QChar(0x21 + pick(0x5E));
        case 1: return QChar(0x3041 + pick(0x5F));
        default: return QChar(0xFF01 + pick(0x5E));
        }
    }

    void typeInto(QWidget* widget)
    {
        if (!widget->isVisible())
            return;
        widget->setFocus(Qt::TabFocusReason);
        auto* combo = qobject_cast<QComboBox*>(widget);
        QLineEdit* line = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(widget);
        if (pick(4))
            line->selectAll();
        typeText(line, randomText());
    }

    void command(QPushButton* button, Outcomes& outcomes)
    {
        const std::size_t messages = m_recorder.messages.size();
        const qsizetype faults = m_recorder.faults.size();
        // Fields hidden before and after a command keep their texts.
        std::vector<std::pair<Field, std::string>> hidden;
        for (Field f : kAllFields)
            if (!m_form.fieldVisible(f))
                hidden.emplace_back(f, m_form.fieldText(f));
        button->click();
        if (m_recorder.faults.size() > faults)
            ++outcomes.faults;
        else if (m_recorder.messages.size() > messages)
            ++outcomes.stopped;
        else
            ++outcomes.completed;
        for (const auto& [field, text] : hidden)
            if (!m_form.fieldVisible(field))
                QCOMPARE(m_form.fieldText(field), text);
    }

    void navigate()
    {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            return;
        const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Up, Qt::Key_Down};
        const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
        QTest::keyClick(focus, keys[pick(4)], modifiers[pick(3)]);
    }

    TFormMain& m_form;
    const Recorder& m_recorder;
    std::mt19937_64 m_random;
};

QtMessageHandler g_qtTestHandler = nullptr;

// The offscreen platform cannot raise a window, and some typed characters have no shaping support: the
// platform says so on every command. Those notes are dropped; everything else reaches the test log.
void dropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support raise")) || message.contains(QLatin1String("OpenType support missing")))
        return;
    g_qtTestHandler(type, context, message);
}

}  // namespace

class MonkeyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_qtTestHandler = qInstallMessageHandler(dropPlatformNotes); }
    void cleanupTestCase() { qInstallMessageHandler(g_qtTestHandler); }

    void panelStaysConsistentUnderRandomUse()
    {
        QTemporaryDir dir;
        Recorder recorder;
        ModalGuard guard;
        auto form = openWindow(dir.filePath(QStringLiteral("torvel.ini")), recorder);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const int actions = qEnvironmentVariableIsSet("TORVEL_MONKEY_ACTIONS")
            ? qEnvironmentVariableIntValue("TORVEL_MONKEY_ACTIONS") : 20000;
        Monkey monkey(*form, recorder, 20261209);
        const QStringList faults = {"Invalid floating point operation.", "Floating point division by zero.",
                                    "Floating point overflow."};
        for (int i = 0; i < actions; ++i) {
            monkey.act();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("hidden field changed at action %1").arg(i)));
            const FilterType checked = checkedFilterType(*form);
            QCOMPARE(form->designer().workingType(), workingTypeOf(checked));
            int shown = 0;
            for (Image image : kAllImages)
                shown += form->imageVisible(image) ? 1 : 0;
            QCOMPARE(shown, 1);
            QVERIFY(form->imageVisible(filterTypeInfo(checked).image));
            if (checked == FilterType::Notch || checked == FilterType::Apf)
                QVERIFY(!form->fieldVisible(Field::R8));
            for (const QString& fault : std::as_const(recorder.faults))
                QVERIFY2(faults.contains(fault), qPrintable(fault));
            recorder.faults.clear();
        }
        QCOMPARE(guard.takeClosed(), QStringList());  // every box went through the recorder
        qInfo("%d actions; synthesis %d completed, %d warned, %d faults; analysis %d completed, %d warned, %d faults",
              actions, monkey.synthesis.completed, monkey.synthesis.stopped, monkey.synthesis.faults,
              monkey.analysis.completed, monkey.analysis.stopped, monkey.analysis.faults);
        // A monkey whose commands all stop at the first unreadable field would check nothing beyond it.
        if (actions >= 20000) {
            for (const Outcomes& outcomes : {monkey.synthesis, monkey.analysis})
                QVERIFY(outcomes.completed >= 100 && outcomes.stopped >= 100 && outcomes.faults >= 10);
        }
    }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
