// The 最適化 menu command on the real window: it fills the component fields, shows wanted against realised
// figures, and 伝達関数算出 then reads the same figures back; a long search shows its progress, can be
// cancelled and leaves the window responsive and the fields as they were.
#include "shell/tools/design_tools.h"
#include "shell/tools/optimise_tool.h"
#include "values/engineering_notation.h"
#include "window_fixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <set>
#include <thread>

using namespace torvel;
using namespace torvel::test;

class OptimiseToolTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    std::unique_ptr<TFormMain> m_form;
    ModalGuard m_guard;
    search::SearchOptions m_options;

    OptimiseTool& tool() const { return m_form->tools().optimiseTool(); }

    void design(FilterType type, const char* H, const char* fo, const char* Q, const char* fn = "")
    {
        m_form->controls().radio(type)->setChecked(true);
        for (auto [field, text] : {std::pair{Field::H, H}, {Field::Fo, fo}, {Field::Q, Q}, {Field::Fn, fn}})
            m_form->setFieldText(field, text);
    }

    // Runs the command and waits for the search to end (the event loop runs meanwhile).
    bool optimiseAndWait()
    {
        QSignalSpy finished(&tool(), &OptimiseTool::finished);
        tool().optimise();
        return finished.count() == 1 || finished.wait(20000);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_recorder = {};
        m_form = openWindow(m_dir->filePath(QStringLiteral("torvel.ini")), m_recorder);
        m_options = {};
        // The real searches here end in a moment; a progress box would only race the modal guard.
        tool().setProgressDelay(3'600'000);
        tool().setOptionsChooser([this](const search::SearchOptions&) { return std::optional(m_options); });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        const QStringList closed = m_guard.takeClosed();
        QVERIFY2(closed.isEmpty(), qPrintable(closed.join(QLatin1Char('|'))));
    }

    void commandSitsInTheMenuBarWithAShortcutOfItsOwn()
    {
        QAction* optimise = tool().action();
        QVERIFY(optimise->text().startsWith(QStringLiteral("最適化")));
        QCOMPARE(optimise->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
        std::set<QString> shortcuts;
        for (QAction* a : m_form->tools().menuBar()->findChildren<QAction*>())
            if (!a->shortcut().isEmpty())
                QVERIFY2(shortcuts.insert(a->shortcut().toString()).second, qPrintable(a->shortcut().toString()));
    }

    void fillsTheFieldsAndTheAnalysisConfirmsThem()
    {
        design(FilterType::TzfLow, "1", "1000", "2", "2500");
        QVERIFY(optimiseAndWait());
        QVERIFY(m_recorder.messages.empty());
        QDialog* result = tool().resultWindow();
        QVERIFY(result && result->isVisible());
        QTableWidget* table = tool().resultTable();
        QCOMPARE(table->rowCount(), 4);  // H, fo, Q, fn
        QCOMPARE(table->verticalHeaderItem(1)->text(), QStringLiteral("fo"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("1.0000k"));
        QVERIFY(tool().resultSummary()->text().startsWith(QStringLiteral("候補 ")));
        // TZF (Wo<Wn): its gain also holds the zero, so only the fo and Q floor is known.
        QVERIFY(tool().resultSummary()->text().contains(QStringLiteral("部品が許す下限: fo と Q の大きい方 ")));
        QVERIFY(!tool().resultSummary()->text().contains(QStringLiteral(", H ")));
        for (Field f : {Field::C1, Field::C2, Field::R1, Field::R8, Field::R10})
            QVERIFY2(!m_form->fieldText(f).empty(), fieldInfo(f).key.data());

        // 伝達関数算出 reads the components back: its H, fo, Q and fn are the realised column.
        const double realised[] = {ParseEngineering(table->item(0, 1)->text().toStdString()),
                                   ParseEngineering(table->item(1, 1)->text().toStdString()),
                                   ParseEngineering(table->item(2, 1)->text().toStdString()),
                                   ParseEngineering(table->item(3, 1)->text().toStdString())};
        m_form->ButtonTFClick();
        QVERIFY(m_recorder.messages.empty());
        QVERIFY(m_form->radioChecked(FilterType::TzfLow));
        const Field figures[] = {Field::H, Field::Fo, Field::Q, Field::Fn};
        for (int i = 0; i < 4; ++i) {
            // Both texts show 5 significant digits.
            const double shown = ParseEngineering(m_form->fieldText(figures[i]));
            QVERIFY2(std::abs(shown / realised[i] - 1) < 1e-4, qPrintable(QString::fromStdString(m_form->fieldText(figures[i]))));
        }
    }

    void partsListAndNetlistHoldBothPartsOfAPair()
    {
        design(FilterType::Bpf, "1", "1200", "2.5");
        m_options.pairs = {Field::R1};
        QVERIFY(optimiseAndWait());
        m_form->tools().setPathChooser([this](const QString&, const QString& filter, bool) {
            return m_dir->filePath(filter.contains(QStringLiteral("csv")) ? QStringLiteral("parts.csv") : QStringLiteral("f.cir"));
        });
        m_form->tools().exportBillOfMaterials();
        m_form->tools().exportNetlist();
        QFile parts(m_dir->filePath(QStringLiteral("parts.csv")));
        QFile netlist(m_dir->filePath(QStringLiteral("f.cir")));
        QVERIFY(parts.open(QIODevice::ReadOnly) && netlist.open(QIODevice::ReadOnly));
        const QByteArray csv = parts.readAll();
        QVERIFY2(csv.contains("\nR1a,") && csv.contains("\nR1b,"), csv.constData());
        const QByteArray cir = netlist.readAll();
        QVERIFY2(cir.contains("\nR1a ") && cir.contains("\nR1b "), cir.constData());
    }

    void longSearchShowsProgressAndCancelsWithoutWriting()
    {
        design(FilterType::Lpf, "1", "1000", "0.707");
        m_form->setFieldText(Field::C1, "before");
        // A search that runs until it is told to stop, reporting progress on the way.
        tool().setSearcher([](const search::SectionRequest&, const search::SearchControl& control) {
            for (int i = 0; !control.cancel->load(); ++i) {
                control.progress(0.001 * (i % 1000));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            search::SectionResult cancelled;
            cancelled.status = search::SearchStatus::Cancelled;
            return cancelled;
        });
        tool().setProgressDelay(0);
        QSignalSpy finished(&tool(), &OptimiseTool::finished);
        tool().optimise();
        QVERIFY(tool().running());
        QVERIFY(!tool().action()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(tool().progressDialog() && tool().progressDialog()->isVisible(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(tool().progressDialog()->value() > 0, 5000);  // the window kept painting
        tool().progressDialog()->cancel();
        QVERIFY(finished.wait(5000));
        QVERIFY(!tool().running());
        QVERIFY(tool().action()->isEnabled());
        QCOMPARE(m_form->fieldText(Field::C1), std::string("before"));
        QVERIFY(!tool().resultWindow());
        QVERIFY(m_recorder.messages.empty());
        // The modal guard may have closed the progress box before the cancel above: closing it cancels too.
        QStringList closed = m_guard.takeClosed();
        closed.removeAll(QStringLiteral("OptimiseProgress"));
        QVERIFY2(closed.isEmpty(), qPrintable(closed.join(QLatin1Char('|'))));
    }

    void noDesignInRangeIsAWarningAndWritesNothing()
    {
        design(FilterType::Lpf, "1", "1000", "2000");
        m_form->setFieldText(Field::C1, "before");
        m_options.resistors = {1e3, 10e3};
        QVERIFY(optimiseAndWait());
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].kind, MessageKind::Warning);
        QVERIFY(m_recorder.messages[0].text.contains(QStringLiteral("最適化")));
        QCOMPARE(m_form->fieldText(Field::C1), std::string("before"));
    }

    void unreadableFieldOrDeclinedOptionsRunNothing()
    {
        design(FilterType::Hpf, "1", "", "1");
        QSignalSpy finished(&tool(), &OptimiseTool::finished);
        tool().optimise();
        QVERIFY(!tool().running());
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].text, QStringLiteral("\r\nfo: 数値入力エラー"));

        design(FilterType::Hpf, "1", "1000", "1");
        tool().setOptionsChooser([](const search::SearchOptions&) { return std::optional<search::SearchOptions>(); });
        tool().optimise();
        QVERIFY(!tool().running());
        QCOMPARE(finished.count(), 0);
        QVERIFY(m_form->fieldText(Field::C1).empty());
    }
};

QTEST_MAIN(OptimiseToolTest)
#include "optimise_tool_test.moc"
