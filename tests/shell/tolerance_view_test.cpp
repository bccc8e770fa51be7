// The tolerance tab as a user drives it: the sensitivity table follows the circuit at once, a run shows
// the same yield the library computes for the same seed, a long run shows its progress and a cancel
// button and stops when asked while the window keeps handling events, and the response window carries
// the tab for the section it shows.
#include "cascade/cascade.h"
#include "shell/tools/response_window.h"
#include "shell/tools/sensitivity_table_model.h"
#include "shell/tools/tolerance_view.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/study.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace torvel;
using tolerance::Figure;

namespace {

// A low-pass loop of E-series parts: fo near 1 kHz, Q near 2.
CircuitComponents lowPassParts()
{
    CircuitComponents p;
    p.R = {10e3, 5.1e3, 4.7e3, 4.7e3, 4.7e3, 4.7e3, 0, 0, 0, 0};
    p.C1 = 33e-9;
    p.C2 = 33e-9;
    return p;
}

cascade::Cascade ellipticLowPass()
{
    cascade::CascadeRequest r;
    r.filter.kind = approx::ResponseKind::LowPass;
    r.filter.approximation = approx::Approximation::Elliptic;
    r.filter.mask = approx::Mask{1000, 1150, 0, 0, 1, 50};
    return *cascade::designCascade(r).cascade;
}

QString cell(const QAbstractItemModel* model, int row, int column)
{
    return model->data(model->index(row, column)).toString();
}

}  // namespace

class ToleranceViewTest : public QObject {
    Q_OBJECT

private slots:
    void sensitivitiesFollowTheCircuitAtOnce()
    {
        ToleranceView view;
        view.setSection(lowPassParts(), FilterType::Lpf, {});
        const QAbstractItemModel* table = view.sensitivityTable()->model();
        QCOMPARE(table->rowCount(), 8);  // C1, C2, R1 ... R6
        // The most important part first: rows by their largest |S| of any column.
        const auto largest = [&](int row) {
            double m = 0;
            for (int c = SensitivityTableModel::Fo; c < SensitivityTableModel::ColumnCount; ++c) {
                const double s = table->data(table->index(row, c), SensitivityTableModel::ValueRole).toDouble();
                if (!std::isnan(s))
                    m = std::max(m, std::abs(s));
            }
            return m;
        };
        for (int row = 1; row < table->rowCount(); ++row)
            QVERIFY(largest(row - 1) >= largest(row));
        QCOMPARE(cell(table, 0, SensitivityTableModel::Fn), QStringLiteral("—"));  // a low-pass has no zero
        for (int row = 0; row < table->rowCount(); ++row)
            if (cell(table, row, SensitivityTableModel::Part) == QStringLiteral("R2"))
                QCOMPARE(cell(table, row, SensitivityTableModel::Fo), QStringLiteral("-0.5000"));

        // A click on the Q column sorts by |S(Q)|: R1 moves Q to the first power.
        view.sensitivityTable()->sortByColumn(SensitivityTableModel::Q, Qt::DescendingOrder);
        QCOMPARE(cell(table, 0, SensitivityTableModel::Part), QStringLiteral("R1"));
        QCOMPARE(cell(table, 0, SensitivityTableModel::Q), QStringLiteral("1.0000"));

        // A click on the fo column sorts by |S(fo)|, largest first.
        view.sensitivityTable()->sortByColumn(SensitivityTableModel::Fo, Qt::DescendingOrder);
        QCOMPARE(cell(table, 0, SensitivityTableModel::Fo).mid(1), QStringLiteral("0.5000"));
        QCOMPARE(cell(table, 7, SensitivityTableModel::Fo), QStringLiteral("0.0000"));

        view.setSection(lowPassParts(), FilterType::Hpf, {});  // the summing stage adds R7 ... R10
        QCOMPARE(table->rowCount(), 12);
    }

    void runShowsTheLibrarysYieldInLargeType()
    {
        ToleranceView view;
        view.setSection(lowPassParts(), FilterType::Lpf, {});
        view.runsField()->setValue(3000);
        view.seedField()->setValue(42);
        view.limitField(Figure::Fo)->setText(QStringLiteral("3"));
        view.limitField(Figure::Q)->setText(QStringLiteral("5%"));
        QSignalSpy finished(&view, &ToleranceView::runFinished);
        QTest::mouseClick(view.runButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(finished.at(0).at(0).toBool(), true);

        tolerance::MonteCarloSettings s;
        s.runs = 3000;
        s.seed = 42;
        s.limits.relative = {0.03, 0.05, std::nullopt, std::nullopt};
        const tolerance::SectionMonteCarlo reference =
            tolerance::sectionMonteCarlo(cascade::secondOrderCircuit(lowPassParts(), FilterType::Lpf), s);
        QVERIFY(reference.yield().has_value());
        QCOMPARE(view.yieldLabel()->text(), QStringLiteral("歩留まり %1 %").arg(*reference.yield() * 100, 0, 'f', 1));
        QVERIFY(view.yieldLabel()->font().pointSizeF() > 2 * view.statusLabel()->font().pointSizeF());
        QCOMPARE(view.study().sections[0].statisticsOf(Figure::Fo).mean, reference.section.statisticsOf(Figure::Fo).mean);

        QVERIFY(!view.histogramChart(Figure::Fo)->series().isEmpty());
        QVERIFY(!view.histogramChart(Figure::Q)->series().isEmpty());
        QCOMPARE(view.bandChart()->series().size(), 4);  // the band, two envelope lines, the nominal curve
        QCOMPARE(view.figureTable()->rowCount(), 3);     // fo, Q, H
        QVERIFY(!view.progressBar()->isVisible() && !view.cancelButton()->isVisible());
        QVERIFY(view.distributionField()->itemText(1).contains(QStringLiteral("3σ")));
    }

    void longRunShowsProgressAndCancels()
    {
        ToleranceView view;
        view.resize(1000, 700);
        view.show();
        view.setCascade(ellipticLowPass(), {});
        QVERIFY(view.maskField()->isVisible() && view.maskField()->isChecked());
        const std::size_t sections = ellipticLowPass().sections.size();
        QCOMPARE(view.sectionField()->count(), static_cast<int>(sections));
        view.runsField()->setValue(300000);
        QSignalSpy finished(&view, &ToleranceView::runFinished);
        QTest::mouseClick(view.runButton(), Qt::LeftButton);
        QVERIFY(view.isRunning());
        QVERIFY(!view.runButton()->isEnabled());
        // Past 200 ms the bar and the button appear, and the bar moves while this thread keeps serving
        // events: the runs are elsewhere.
        QTRY_VERIFY_WITH_TIMEOUT(view.progressBar()->isVisible() && view.cancelButton()->isVisible(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(view.progressBar()->value() > 0, 10000);
        QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(view.statusLabel()->text().contains(QStringLiteral("中止")));
        QCOMPARE(view.yieldLabel()->text(), QStringLiteral("歩留まり —"));
        QVERIFY(!view.progressBar()->isVisible() && !view.cancelButton()->isVisible());
        QVERIFY(view.runButton()->isEnabled());

        // A short run of the same filter, judged against its mask.
        view.runsField()->setValue(400);
        view.resistorToleranceField()->setValue(0.1);
        view.capacitorToleranceField()->setValue(0.5);
        QTest::mouseClick(view.runButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
        QCOMPARE(finished.at(1).at(0).toBool(), true);
        tolerance::CascadeMonteCarloSettings s;
        s.common.runs = 400;
        s.common.tolerances.resistor = 0.001;
        s.common.tolerances.capacitor = 0.005;
        s.mask = approx::Mask{1000, 1150, 0, 0, 1, 50};
        const auto reference = tolerance::cascadeMonteCarlo(ellipticLowPass(), s);
        QCOMPARE(view.yieldLabel()->text(), QStringLiteral("歩留まり %1 %").arg(*reference.yield() * 100, 0, 'f', 1));
        QCOMPARE(view.study().sections.size(), sections);
        view.sectionField()->setCurrentIndex(static_cast<int>(sections) - 1);  // another section's histograms and table
        QCOMPARE(view.sensitivityTable()->model()->rowCount(), 12);
        QCOMPARE(view.figureTable()->rowCount(), 4);
    }

    void changedCircuitDropsTheRunningResultsAndClosingWaits()
    {
        auto view = std::make_unique<ToleranceView>();
        view->setCascade(ellipticLowPass(), {});
        view->runsField()->setValue(300000);
        QSignalSpy finished(view.get(), &ToleranceView::runFinished);
        view->startRun();
        view->setSection(lowPassParts(), FilterType::Lpf, {});
        QTRY_VERIFY_WITH_TIMEOUT(!view->isRunning(), 10000);
        QTest::qWait(50);
        QCOMPARE(finished.count(), 0);  // nothing of the old filter is shown
        QVERIFY(view->study().sections.empty());
        QCOMPARE(view->sensitivityTable()->model()->rowCount(), 8);

        view->setCascade(ellipticLowPass(), {});
        view->startRun();
        view.reset();  // cancels and waits; nothing runs on after the widget
    }

    void unreadableLimitIsSaidAndNothingRuns()
    {
        ToleranceView view;
        view.setSection(lowPassParts(), FilterType::Lpf, {});
        view.limitField(Figure::H)->setText(QStringLiteral("-2"));
        view.startRun();
        QVERIFY(!view.isRunning());
        QVERIFY(view.statusLabel()->text().contains(QStringLiteral("H の判定範囲")));
    }

    void responseWindowCarriesTheTabForItsCircuit()
    {
        ResponseWindow window;
        window.showCircuit(lowPassParts(), FilterType::Bpf);
        ToleranceView* tab = window.toleranceView();
        QVERIFY(tab);
        QCOMPARE(tab->sensitivityTable()->model()->rowCount(), 8);
        auto* tabs = window.findChild<QTabWidget*>();
        QVERIFY(tabs && tabs->indexOf(tab) >= 0);
        QCOMPARE(tabs->tabText(tabs->indexOf(tab)), QStringLiteral("許容差"));
        // Real op-amps change the sensitivities: the integrators' lag makes Q lean on R1 more than by its
        // first power.
        const QAbstractItemModel* model = tab->sensitivityTable()->model();
        const auto qOfR1 = [&] {
            for (int row = 0; row < model->rowCount(); ++row)
                if (cell(model, row, SensitivityTableModel::Part) == QStringLiteral("R1"))
                    return model->data(model->index(row, SensitivityTableModel::Q), SensitivityTableModel::ValueRole).toDouble();
            return std::nan("");
        };
        QVERIFY(std::abs(qOfR1() - 1) < 1e-12);
        window.gainBandwidthField()->setText(QStringLiteral("100k"));
        window.recompute();
        QVERIFY(qOfR1() > 1.05);
    }
};

QTEST_MAIN(ToleranceViewTest)
#include "tolerance_view_test.moc"
