// Speed of the filter design window, offscreen: opening it (built, designed, drawn once), and the full
// recomputation one keystroke starts (read the boxes, design, synthesise every section, the curves, the
// four charts and the table). Targets: under 150 ms to open, under 20 ms to recompute a twelfth-order
// design, so that typing updates the charts without a button.
#include "design/panel_model.h"
#include "shell/filter/filter_curves.h"
#include "shell/filter/filter_request_form.h"
#include "shell/filter/filter_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <memory>

namespace torvel::filter {
namespace {

void openWindow(benchmark::State& state)
{
    PanelModel mainPanel;
    for (auto _ : state) {
        auto window = std::make_unique<FilterWindow>(mainPanel);
        window->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window->grab());  // the first paint, every chart included
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel("construct, design the default filter, show, paint");
}
BENCHMARK(openWindow)->Unit(benchmark::kMillisecond)->Iterations(20);

// A twelfth-order request in the window, the cut-off moved at every keystroke so that each run designs anew.
void twelfthOrderKeystroke(benchmark::State& state, int kind, int approximation, const char* order, const char* bandwidth,
                           const char* gbw, bool paint)
{
    PanelModel mainPanel;
    FilterWindow window(mainPanel);
    window.show();
    QCoreApplication::processEvents();
    window.findChild<QComboBox*>(QStringLiteral("ResponseKind"))->setCurrentIndex(kind);
    window.findChild<QComboBox*>(QStringLiteral("Approximation"))->setCurrentIndex(approximation);
    window.box(RequestBox::Order)->setText(QString::fromLatin1(order));
    window.box(RequestBox::Bandwidth)->setText(QString::fromLatin1(bandwidth));
    window.gainBandwidthBox()->setText(QString::fromLatin1(gbw));
    window.recomputeCurves();
    int keystroke = 0;
    for (auto _ : state) {
        window.box(RequestBox::Fc)->setText(keystroke++ % 2 ? QStringLiteral("1k") : QStringLiteral("1.1k"));
        window.redesign();
        if (paint)
            benchmark::DoNotOptimize(window.chartView(0)->grab());
    }
    if (!window.session().cascade() || window.session().cascade()->design.order != QByteArray(order).toInt())
        state.SkipWithError("the request was not designed");
    else
        state.SetLabel(std::to_string(window.session().cascade()->sections.size()) + " sections, "
                       + std::to_string(kChartPoints) + " points, 4 charts");
}
BENCHMARK_CAPTURE(twelfthOrderKeystroke, ellipticLowPass, 0, 4, "12", "", "", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(twelfthOrderKeystroke, ellipticLowPassSinglePole, 0, 4, "12", "", "1M", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(twelfthOrderKeystroke, chebyshevBandPassOrder6, 2, 1, "6", "200", "", false)->Unit(benchmark::kMillisecond);
// The same with the chart in view painted again, as the screen shows it after the keystroke.
BENCHMARK_CAPTURE(twelfthOrderKeystroke, ellipticLowPassPainted, 0, 4, "12", "", "", true)->Unit(benchmark::kMillisecond);

// The part of a keystroke without widgets: reading, designing, the curves.
void twelfthOrderLogicOnly(benchmark::State& state)
{
    RequestTexts texts = defaultRequestTexts({});
    texts.approximation = approx::Approximation::Elliptic;
    texts[RequestBox::Order] = "12";
    for (auto _ : state) {
        DesignOutcome outcome = designFromTexts(texts);
        benchmark::DoNotOptimize(filterCurves(*outcome.cascade, {}));
    }
}
BENCHMARK(twelfthOrderLogicOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvel::filter

int main(int argc, char** argv)
{
    // Offscreen unless told otherwise: the numbers are the window's own work, not a display server's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
