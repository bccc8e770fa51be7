// A fixed-seed monkey on the real window: random texts (SI prefixes, full-width characters, "∞",
// garbage) typed into the fields and series boxes, types chosen, both calculations pressed, Enter, Up
// and Down pressed; every message answered. After every action the panel must still be consistent.
#include "design/filter_types.h"
#include "form_definition.h"
#include "labeled_edit.h"
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

class Monkey {
public:
    Monkey(TFormMain& form, std::uint64_t seed) : m_form(form), m_random(seed) {}

    void act()
    {
        switch (pick(8)) {
        case 0:
        case 1: typeInto(m_form.controls().edit(kAllFields[pick(kFieldCount)])); break;
        case 2: typeInto(pick(2) ? m_form.controls().ComboBoxEvalE1 : m_form.controls().ComboBoxEvalE2); break;
        case 3: m_form.controls().radio(kAllFilterTypes[pick(kFilterTypeCount)])->click(); break;
        case 4: command(m_form.controls().ButtonCir); break;
        case 5: command(m_form.controls().ButtonTF); break;
        default: navigate(); break;
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    QString randomText()
    {
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
        if (pick(2))
            line->selectAll();
        typeText(line, randomText());
    }

    void command(QPushButton* button)
    {
        // Fields hidden before and after a command keep their texts.
        std::vector<std::pair<Field, std::string>> hidden;
        for (Field f : kAllFields)
            if (!m_form.fieldVisible(f))
                hidden.emplace_back(f, m_form.fieldText(f));
        button->click();
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
        Monkey monkey(*form, 20261209);
        const QStringList faults = {"Invalid floating point operation.", "Floating point division by zero.",
                                    "Floating point overflow."};
        for (int i = 0; i < actions; ++i) {
            monkey.act();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("hidden field changed at action %1").arg(i)));
            const FilterType checked = checkedFilterType(*form);
            QCOMPARE(form->designer().workingType(), foldFilterTypeCode(filterTypeInfo(checked).code));
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
        qInfo("%d actions, %zu messages", actions, recorder.messages.size());
    }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
