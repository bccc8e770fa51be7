// The response window's op-amp on the real window: a built-in part fills its figures, the swing warning
// appears only above the limit, typing makes the op-amp custom, and the pre-correction button writes the
// corrected elements or shows why it cannot.
#include "shell/tools/design_tools.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/response_window.h"
#include "shell/window/form_definition.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace torvel;
using namespace torvel::test;

class OpAmpControlsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    std::unique_ptr<TFormMain> m_form;
    ModalGuard m_guard;

    ResponseWindow* designAndOpen(FilterType type, const char* fo, const char* Q)
    {
        m_form->controls().radio(type)->setChecked(true);
        for (auto [field, text] : {std::pair{Field::H, "1"}, {Field::Fo, fo}, {Field::Q, Q}})
            m_form->setFieldText(field, text);
        m_form->ButtonCirClick();
        m_form->tools().openResponseWindow();
        return m_form->tools().responseWindow();
    }
    static void choose(OpAmpControls* controls, const QString& name)
    {
        const int index = controls->choice()->findText(name);
        QVERIFY(index > 0);
        controls->choice()->setCurrentIndex(index);
        emit controls->choice()->activated(index);
    }
    static void typeAmplitude(OpAmpControls* controls, const QString& volts)
    {
        controls->amplitudeField()->setText(volts);
        emit controls->amplitudeField()->editingFinished();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_recorder = {};
        m_form = openWindow(m_dir->filePath(QStringLiteral("torvel.ini")), m_recorder);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        QCOMPARE(m_guard.takeClosed(), QStringList());
    }

    void builtInPartFillsItsFiguresAndWarnsAboveTheSwing()
    {
        ResponseWindow* window = designAndOpen(FilterType::Lpf, "1k", "3");
        QVERIFY(window);
        OpAmpControls* controls = window->opAmpControls();
        choose(controls, QStringLiteral("NE5532"));
        QCOMPARE(window->gainBandwidthField()->text(), QStringLiteral("10M"));
        QCOMPARE(controls->findChild<QLineEdit*>(QStringLiteral("SlewRate"))->text(), QStringLiteral("9"));
        QCOMPARE(controls->findChild<QLineEdit*>(QStringLiteral("OutputSwing"))->text(), QStringLiteral("13"));
        QCOMPARE(controls->spec().name, std::string("NE5532"));

        // A3 peaks at about 3.1 times the input: 4 V peak stays inside +-13 V, 4.5 V does not.
        typeAmplitude(controls, QStringLiteral("4"));
        QVERIFY2(!controls->warnings()->text().contains(QStringLiteral("A3")), qPrintable(controls->warnings()->text()));
        typeAmplitude(controls, QStringLiteral("4.5"));
        QVERIFY2(controls->warnings()->text().contains(QStringLiteral("A3 の出力が振幅の限界を超えます")),
                 qPrintable(controls->warnings()->text()));

        // A typed figure makes the op-amp the user's own.
        QLineEdit* slew = controls->findChild<QLineEdit*>(QStringLiteral("SlewRate"));
        slew->setFocus();
        QTest::keyClick(slew, Qt::Key_Backspace);
        QTest::keyClicks(slew, QStringLiteral("1"));
        QCOMPARE(controls->choice()->currentText(), QStringLiteral("カスタム"));
        QCOMPARE(controls->spec().slewRate, 1e6);
        QCOMPARE(controls->spec().gainBandwidthHz, 10e6);
    }

    void precorrectionWritesTheCorrectedElements()
    {
        ResponseWindow* window = designAndOpen(FilterType::Bpf, "20k", "5");
        QVERIFY(window);
        OpAmpControls* controls = window->opAmpControls();
        choose(controls, QStringLiteral("TL071"));  // 4 Q fo / GBW = 0.13: Q rises by about 15 %
        const std::string before = m_form->fieldText(Field::R1);
        const double peakBefore = window->peaks()[0].levelDb;
        controls->precorrectButton()->click();
        QVERIFY(m_form->fieldText(Field::R1) != before);
        QVERIFY2(controls->precorrectionResult()->text().startsWith(QStringLiteral("補正後")),
                 qPrintable(controls->precorrectionResult()->text()));
        // The corrected band-pass peaks at H again, lower than the uncorrected one.
        QVERIFY2(window->peaks()[0].levelDb < peakBefore - 0.5, qPrintable(QString::number(window->peaks()[0].levelDb)));
        QVERIFY(std::abs(window->peaks()[0].levelDb) < 0.3);
    }

    void refusalLeavesTheElementsAndSaysWhy()
    {
        ResponseWindow* window = designAndOpen(FilterType::Lpf, "100k", "10");
        QVERIFY(window);
        OpAmpControls* controls = window->opAmpControls();
        choose(controls, QStringLiteral("TL071"));  // 4 Q fo / GBW = 1.33
        const std::string before = m_form->fieldText(Field::R1);
        controls->precorrectButton()->click();
        QCOMPARE(m_form->fieldText(Field::R1), before);
        QVERIFY2(controls->precorrectionResult()->text().contains(QStringLiteral("補正できません")),
                 qPrintable(controls->precorrectionResult()->text()));
        QVERIFY(m_recorder.messages.empty());
    }
};

QTEST_MAIN(OpAmpControlsTest)
#include "opamp_controls_test.moc"
