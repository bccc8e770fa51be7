// The filter design window on the real main window, offscreen: a mask typed into its boxes gives the
// sections torvel-cli gives, a section opened in the main window and changed there changes the built
// filter, a request that cannot be designed leaves the last design on screen with the error beside its
// box, and the exports write what the library writes; the op-amp row drives the built curves, the checks
// along the cascade and the noise page, and the tolerance page follows the design.
#include "cascade/cascade_names.h"
#include "cascade/cascade_netlist.h"
#include "cascade/filter_file.h"
#include "cli_run.h"
#include "opamp/cascade_noise.h"
#include "shell/filter/filter_analyses.h"
#include "shell/filter/filter_charts.h"
#include "shell/filter/filter_window.h"
#include "shell/charts/noise_page.h"
#include "shell/filter/section_rows.h"
#include "values/engineering_notation.h"
#include "shell/tools/design_tools.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/tolerance_view.h"
#include "shell/window/form_definition.h"
#include "shell/window/labeled_edit.h"
#include "window_fixture.h"

#include <nlohmann/json.hpp>

#include <QAction>
#include <QCheckBox>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace torvel;
using namespace torvel::test;
using torvel::filter::FilterWindow;
using torvel::filter::RequestBox;

class FilterWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    std::unique_ptr<TFormMain> m_form;
    ModalGuard m_guard;
    QStringList m_windowMessages;
    QString m_nextPath;
    FilterWindow* m_window = nullptr;

    void type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        if (text.isEmpty())
            edit->del();
        else
            typeText(edit, text);
    }
    // Types into a request box and waits until the window has designed what it reads.
    void request(RequestBox box, const QString& text)
    {
        type(m_window->box(box), text);
        QTRY_VERIFY(!m_window->workPending());
    }
    void useMask(int kind, int approximation)
    {
        m_window->findChild<QComboBox*>(QStringLiteral("ResponseKind"))->setCurrentIndex(kind);
        m_window->findChild<QComboBox*>(QStringLiteral("Approximation"))->setCurrentIndex(approximation);
        m_window->findChild<QRadioButton*>(QStringLiteral("ByMask"))->click();
    }
    const cascade::Cascade& design() const { return *m_window->session().cascade(); }
    QString cell(int row, filter::SectionColumn column) const
    {
        QAbstractItemModel* model = m_window->sectionTable()->model();
        return model->data(model->index(row, static_cast<int>(column))).toString();
    }
    void selectSection(int row) { m_window->sectionTable()->selectRow(row); }
    QAction* windowAction(const char* name) const { return m_window->findChild<QAction*>(QString::fromLatin1(name)); }
    OpAmpControls* opAmpRow() const { return m_window->analyses()->opAmpControls(); }
    void chooseOpAmp(const QString& name)
    {
        QComboBox* choice = opAmpRow()->choice();
        const int index = choice->findText(name);
        QVERIFY(index > 0);
        choice->setCurrentIndex(index);
        emit choice->activated(index);
        QTRY_VERIFY(!m_window->workPending() && !m_window->analyses()->workPending());
    }
    void typeAmplitude(const QString& volts)
    {
        opAmpRow()->amplitudeField()->setText(volts);
        emit opAmpRow()->amplitudeField()->editingFinished();
        QTRY_VERIFY(!m_window->analyses()->workPending());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_recorder = {};
        m_windowMessages.clear();
        m_form = openWindow(m_dir->filePath(QStringLiteral("torvel.ini")), m_recorder);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QAction* open = nullptr;
        for (QAction* a : m_form->tools().viewMenu()->actions())
            if (a->text().startsWith(QStringLiteral("フィルタ設計")))
                open = a;
        QVERIFY(open);
        QVERIFY(!open->shortcut().isEmpty());
        open->trigger();
        m_window = m_form->filterWindow();
        QVERIFY(m_window);
        QVERIFY(m_window->isVisible());
        m_window->setPathChooser([this](const QString&, const QString&, bool) { return m_nextPath; });
        m_window->setMessageHandler([this](const QString& text, MessageKind) { m_windowMessages << text; });
    }

    void cleanup()
    {
        m_form.reset();
        QCOMPARE(m_guard.takeClosed(), QStringList());
    }

    void opensWithTheMainWindowsSettingsAndADesign()
    {
        QCOMPARE(m_window->box(RequestBox::ResistorSeries)->text(), m_form->controls().ComboBoxEvalE1->currentText());
        QCOMPARE(m_window->box(RequestBox::CapacitorSeries)->text(), m_form->controls().ComboBoxEvalE2->currentText());
        QCOMPARE(m_window->box(RequestBox::Impedance)->text(), m_form->controls().edit(Field::Zval)->text());
        QVERIFY(m_window->session().cascade());
        QCOMPARE(m_window->sectionTable()->model()->rowCount(), 2);  // fourth-order low-pass: two LPF sections
        QCOMPARE(cell(0, filter::SectionColumn::Type), QStringLiteral("LPF"));
    }

    void maskTypedInGivesTheSectionsOfTheCli_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("approximation");
        QTest::addColumn<QString>("fp");
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("ap");
        QTest::addColumn<QString>("as");
        QTest::addColumn<QStringList>("cli");
        // Kind and approximation by their place in the window's lists.
        QTest::newRow("elliptic low-pass, odd order") << 0 << 4 << "10k" << "13k" << "0.5" << "60"
                                                      << QStringList{"lp", "elliptic", "10k", "13k", "0.5", "60"};
        QTest::newRow("chebyshev high-pass") << 1 << 1 << "1k" << "400" << "1" << "40"
                                             << QStringList{"hp", "chebyshev", "1k", "400", "1", "40"};
        QTest::newRow("butterworth band-pass, full-width comma")
            << 2 << 0 << QStringLiteral("800，1.25k") << "500,2k" << "1" << "30"
            << QStringList{"bp", "butterworth", "800,1.25k", "500,2k", "1", "30"};
        QTest::newRow("inverse chebyshev band-stop") << 3 << 3 << "40,60" << "48,52" << "1" << "40"
                                                     << QStringList{"bs", "inverse-chebyshev", "40,60", "48,52", "1", "40"};
    }

    void maskTypedInGivesTheSectionsOfTheCli()
    {
        QFETCH(int, kind);
        QFETCH(int, approximation);
        QFETCH(QString, fp);
        QFETCH(QString, fs);
        QFETCH(QString, ap);
        QFETCH(QString, as);
        QFETCH(QStringList, cli);
        useMask(kind, approximation);
        request(RequestBox::Fp, fp);
        request(RequestBox::Fs, fs);
        request(RequestBox::Ap, ap);
        request(RequestBox::As, as);
        QVERIFY2(m_window->generalError()->text().isEmpty(), qPrintable(m_window->generalError()->text()));

        std::vector<std::string> args = {"torvel-cli", "cascade", "--response", cli[0].toStdString(), "--approx",
                                         cli[1].toStdString(), "--fp", cli[2].toStdString(), "--fs", cli[3].toStdString(),
                                         "--Ap", cli[4].toStdString(), "--As", cli[5].toStdString(), "--json"};
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        const cli::RunResult run = cli::run(static_cast<int>(argv.size()), argv.data());
        QCOMPARE(run.exitCode, 0);
        const nlohmann::json expected = nlohmann::json::parse(run.out);

        const cascade::Cascade& c = design();
        QCOMPARE(c.design.order, expected["order"].get<int>());
        QCOMPARE(c.sections.size(), expected["sections"].size());
        QCOMPARE(m_window->sectionTable()->model()->rowCount(), static_cast<int>(c.sections.size()));
        for (std::size_t k = 0; k < c.sections.size(); ++k) {
            const cascade::BuiltSection& s = c.sections[k];
            const nlohmann::json& e = expected["sections"][k];
            QCOMPARE(std::string(cascade::sectionKey(s.kind)), e["kind"].get<std::string>());
            // The same code designs both: the numbers agree to the last bit.
            QCOMPARE(s.wanted.foHz, e["fo"].get<double>());
            QCOMPARE(s.H, e["H"].get<double>());
            for (Field f : kAllFields) {
                const nlohmann::json& field = e["fields"][std::string(fieldInfo(f).key)];
                QCOMPARE(s.fields[static_cast<std::size_t>(f)].visible, field["visible"].get<bool>());
                QCOMPARE(s.fields[static_cast<std::size_t>(f)].text, field["text"].get<std::string>());
            }
        }
        QVERIFY(m_window->curves().verdict);
        QCOMPARE(m_window->curves().verdict->metWanted, expected["mask"]["met_ideal"].get<bool>());
    }

    void sectionChangedInTheMainWindowChangesTheBuiltCurve()
    {
        selectSection(1);
        QVERIFY(windowAction("OpenSectionInMainWindow")->isEnabled());
        windowAction("OpenSectionInMainWindow")->trigger();
        const cascade::BuiltSection opened = design().sections[1];
        QVERIFY(m_form->radioChecked(FilterType::Lpf));
        for (Field f : kAllFields)
            if (opened.fields[static_cast<std::size_t>(f)].visible)
                QCOMPARE(m_form->fieldText(f), opened.fields[static_cast<std::size_t>(f)].text);
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(!m_window->session().sectionEdited(1));
        const std::vector<double> before = m_window->curves().builtDb;
        const std::vector<double> wanted = m_window->curves().wantedDb;

        // The designer doubles R1 (the loop's damping, so Q) by typing in the main window.
        const double r1 = ParseEngineering(opened.fields[static_cast<std::size_t>(Field::R1)].text);
        type(m_form->controls().edit(Field::R1), QString::fromStdString(std::to_string(2 * r1)));
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(m_window->session().sectionEdited(1));
        QCOMPARE(cell(1, filter::SectionColumn::Number), QStringLiteral("2*"));
        QCOMPARE(design().sections[1].circuit.parts.r(1), 2 * r1);
        QCOMPARE(m_window->selectedSection(), std::optional<std::size_t>(1));  // the table kept its row
        QVERIFY(m_window->curves().builtDb != before);
        QCOMPARE(m_window->curves().wantedDb, wanted);

        // Half-typed text leaves the section as it was, and says so.
        const std::vector<double> edited = m_window->curves().builtDb;
        type(m_form->controls().edit(Field::R1), QStringLiteral("x"));
        QTRY_VERIFY(!m_window->workPending());
        QCOMPARE(m_window->curves().builtDb, edited);
        QVERIFY(m_window->findChild<QLabel*>(QStringLiteral("LinkStatus"))->text().contains(QStringLiteral("読めない")));
        QVERIFY(m_recorder.messages.empty());  // nothing popped up in the main window

        // A new synthesis there (another Q) is followed as well.
        m_form->setFieldText(Field::Q, "3");
        m_form->controls().ButtonCir->click();
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(std::abs(design().sections[1].realised.values[2].realised - 3) < 0.1);  // rounded parts: within 3 %
        QVERIFY(cell(1, filter::SectionColumn::RealisedQ).startsWith(QStringLiteral("3.")));

        // Another type in the main window is not this section any more.
        const std::vector<double> synthesised = m_window->curves().builtDb;
        m_form->controls().radio(FilterType::Hpf)->setChecked(true);
        QTRY_VERIFY(!m_window->workPending());
        QCOMPARE(m_window->curves().builtDb, synthesised);

        // A new request is a new filter: the link ends.
        request(RequestBox::Fc, QStringLiteral("2k"));
        QVERIFY(!m_window->session().linkedSection());
        QVERIFY(!m_window->session().sectionEdited(1));
    }

    void firstOrderSectionsStayInTheTable()
    {
        request(RequestBox::Order, QStringLiteral("5"));
        QCOMPARE(cell(0, filter::SectionColumn::Type), QStringLiteral("1次 LPF"));
        m_form->controls().radio(FilterType::Bpf)->setChecked(true);
        selectSection(0);
        QVERIFY(!windowAction("OpenSectionInMainWindow")->isEnabled());
        QVERIFY(windowAction("OpenSectionInMainWindow")->toolTip().contains(QStringLiteral("1次")));
        m_window->openSelectedSection();
        QVERIFY(m_form->radioChecked(FilterType::Bpf));  // the main window is untouched
        QVERIFY(!m_window->session().linkedSection());
    }

    void badInputKeepsTheLastDesign_data()
    {
        QTest::addColumn<bool>("mask");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");  // a part of the text beside the box
        const auto row = [](const char* name, bool mask, RequestBox box, const QString& text, const QString& error) {
            QTest::newRow(name) << mask << static_cast<int>(box) << text << error;
        };
        row("order above 12", false, RequestBox::Order, "13", QStringLiteral("1 から 12"));
        row("order not whole", false, RequestBox::Order, "2.5", QStringLiteral("整数"));
        row("unreadable fc", false, RequestBox::Fc, "abc", QStringLiteral("読めません"));
        row("empty fc", false, RequestBox::Fc, "", QStringLiteral("値を入れて"));
        row("zero fc", false, RequestBox::Fc, "0", QStringLiteral("0 Hz より高い"));
        row("negative gain", false, RequestBox::Gain, "-1", QStringLiteral("0 より大きく"));
        row("zero impedance", false, RequestBox::Impedance, "0", QStringLiteral("0 Ω"));
        row("stopband inside the passband", true, RequestBox::Fs, "500", QStringLiteral("fp より高く"));
        row("As not above Ap", true, RequestBox::As, "0.5", QStringLiteral("Ap"));
    }

    void badInputKeepsTheLastDesign()
    {
        QFETCH(bool, mask);
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QString, error);
        if (mask) {
            useMask(0, 0);
            request(RequestBox::Ap, QStringLiteral("1"));
        }
        const auto which = static_cast<RequestBox>(box);
        const cascade::Cascade before = design();
        const std::vector<double> curve = m_window->curves().builtDb;
        const QString good = m_window->box(which)->text();

        request(which, text);
        QLabel* label = m_window->boxError(which);
        QVERIFY2(label->text().contains(error), qPrintable(label->text()));
        // Beside its own box: on the same row, to its right.
        QLineEdit* edit = m_window->box(which);
        const QRect boxRect(edit->mapTo(m_window, QPoint(0, 0)), edit->size());
        const QRect labelRect(label->mapTo(m_window, QPoint(0, 0)), label->size());
        QVERIFY(labelRect.left() >= boxRect.right());
        QVERIFY(labelRect.top() < boxRect.bottom() && labelRect.bottom() > boxRect.top());
        QCOMPARE(design().sections.size(), before.sections.size());
        QCOMPARE(design().sections.front().fields[0].text, before.sections.front().fields[0].text);
        QCOMPARE(m_window->curves().builtDb, curve);

        request(which, good);
        QVERIFY(label->text().isEmpty());
        QCOMPARE(m_window->curves().builtDb, curve);
    }

    void maskBeyondTheHighestOrderSaysSoAndKeepsTheDesign()
    {
        useMask(0, 0);
        const std::size_t sections = design().sections.size();
        request(RequestBox::Fs, QStringLiteral("1.01k"));
        QVERIFY2(m_window->generalError()->text().contains(QStringLiteral("12 次")), qPrintable(m_window->generalError()->text()));
        QCOMPARE(design().sections.size(), sections);
        request(RequestBox::Fs, QStringLiteral("3k"));
        QVERIFY(m_window->generalError()->text().isEmpty());
    }

    void gainBandwidthBoxSwitchesToSinglePoleOpAmps()
    {
        request(RequestBox::Fc, QStringLiteral("20k"));
        const std::vector<double> ideal = m_window->curves().builtDb;
        type(m_window->gainBandwidthBox(), QStringLiteral("1M"));
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(m_window->curves().builtDb != ideal);
        const std::vector<double> real = m_window->curves().builtDb;
        type(m_window->gainBandwidthBox(), QStringLiteral("-1"));
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(!m_window->findChild<QLabel*>(QStringLiteral("GainBandwidthError"))->text().isEmpty());
        QCOMPARE(m_window->curves().builtDb, real);
        type(m_window->gainBandwidthBox(), QString());
        QTRY_VERIFY(!m_window->workPending());
        QCOMPARE(m_window->curves().builtDb, ideal);
    }

    void frequencyAxisCarriesEngineeringLabels()
    {
        // Fourth-order low-pass at 1 kHz: sections at 1 kHz, charts from 100 Hz to 10 kHz.
        QChart* chart = m_window->chartView(0)->chart();
        QCategoryAxis* labels = nullptr;
        for (QAbstractAxis* axis : chart->axes(Qt::Horizontal))
            if (auto* category = qobject_cast<QCategoryAxis*>(axis))
                labels = category;
        QVERIFY(labels);
        QCOMPARE(labels->categoriesLabels(), (QStringList{"100", "1k", "10k"}));
        QCOMPARE(m_window->curves().frequencyHz.front(), 100.0);
        QCOMPARE(m_window->curves().frequencyHz.back(), 10e3);
    }

    void maskRegionsAreShaded()
    {
        useMask(0, 0);
        int areas = 0;
        for (QAbstractSeries* s : m_window->chartView(0)->chart()->series())
            areas += s->type() == QAbstractSeries::SeriesTypeArea;
        QCOMPARE(areas, 2);  // the passband's floor and the stopband's ceiling
    }

    void exportsWriteWhatTheLibraryWrites()
    {
        useMask(0, 4);
        const cascade::Cascade& c = design();
        const auto exported = [&](const char* action, const char* name) {
            m_nextPath = m_dir->filePath(QString::fromLatin1(name));
            windowAction(action)->trigger();
            QFile file(m_nextPath);
            return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(missing)");
        };
        const auto [from, to] = filter::chartRange(c);
        QCOMPARE(exported("ExportNetlist", "filter.cir"), cascade::cascadeNetlist(c, {}, from, to));
        QCOMPARE(exported("ExportBillOfMaterials", "filter.csv"), cascade::cascadeBillOfMaterials(c));
        QCOMPARE(exported("SaveFilter", "filter.json"), cascade::saveFilter(c));
        for (const char* name : {"magnitude.png", "magnitude.svg"}) {
            m_nextPath = m_dir->filePath(QString::fromLatin1(name));
            windowAction("SaveChart")->trigger();
            QVERIFY2(QFileInfo(m_nextPath).size() > 1000, name);
        }
        QVERIFY(m_windowMessages.isEmpty());

        m_nextPath = m_dir->filePath(QStringLiteral("no-such-folder/filter.json"));
        windowAction("SaveFilter")->trigger();
        QCOMPARE(m_windowMessages.size(), 1);
        QVERIFY(m_windowMessages.front().contains(QStringLiteral("書き込めません")));
    }

    void filterFileOpensWithItsChangedSection()
    {
        // A section changed in the main window is saved with its parts, and comes back changed.
        selectSection(0);
        windowAction("OpenSectionInMainWindow")->trigger();
        m_form->setFieldText(Field::R2, "10k");
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(m_window->session().sectionEdited(0));
        const std::vector<double> built = m_window->curves().builtDb;
        m_nextPath = m_dir->filePath(QStringLiteral("changed.json"));
        windowAction("SaveFilter")->trigger();

        request(RequestBox::Order, QStringLiteral("6"));
        request(RequestBox::Fc, QStringLiteral("3k"));
        windowAction("OpenFilter")->trigger();
        QVERIFY(m_windowMessages.isEmpty());
        QCOMPARE(m_window->box(RequestBox::Order)->text(), QStringLiteral("4"));
        QCOMPARE(m_window->box(RequestBox::Fc)->text(), QStringLiteral("1k"));
        QVERIFY(!m_window->workPending());  // filling the boxes designs nothing over the file's parts
        QVERIFY(m_window->session().sectionEdited(0));
        QCOMPARE(m_window->curves().builtDb, built);

        QFile broken(m_dir->filePath(QStringLiteral("broken.json")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"format\": \"something else\"}");
        broken.close();
        m_nextPath = broken.fileName();
        windowAction("OpenFilter")->trigger();
        QCOMPARE(m_windowMessages.size(), 1);
        QVERIFY(m_windowMessages.front().contains(QStringLiteral("フィルタファイルとして読めません")));
        QCOMPARE(m_window->curves().builtDb, built);
    }

    void opAmpChoiceDrivesTheCurvesAndTheChecksAlongTheCascade()
    {
        QVERIFY(opAmpRow()->isVisible());
        QVERIFY(!opAmpRow()->precorrectButton()->isVisible());  // a section's command, not a whole filter's
        const std::vector<double> ideal = m_window->curves().builtDb;
        // LM358 on its 5 V supply: 0.7 MHz, 0.3 V/us, the output from -2.495 V up to 1 V only.
        chooseOpAmp(QStringLiteral("LM358"));
        QCOMPARE(m_window->gainBandwidthBox()->text(), QStringLiteral("0.7M"));
        QVERIFY(m_window->curves().builtDb != ideal);  // the built curve now has the single-pole op-amps
        const std::optional<CascadeSignalChecks>& checks = m_window->analyses()->checks();
        QVERIFY(checks);
        QCOMPARE(checks->outputs.size(), 6u);  // two LPF sections of three op-amps
        // At 1 V in, each section's output reaches the filter's gain of 1 V: at the 1 V limit or past it.
        const auto [from, to] = filter::chartRange(design());
        const CascadeSignalChecks expected = checkCascadeSignal(design(), m_window->analyses()->opAmp(), 1, from, to);
        QCOMPARE(checks->warnings, expected.warnings);
        QVERIFY(!expected.warnings.empty());
        QVERIFY(opAmpRow()->warnings()->text().contains(QStringLiteral("第2段 A3")));

        // A tenth of a volt keeps every output inside the swing and within the slew rate.
        typeAmplitude(QStringLiteral("0.1"));
        QVERIFY(m_window->analyses()->checks()->warnings.empty());
        QVERIFY(opAmpRow()->warnings()->text().contains(QStringLiteral("余裕あり")));

        // A new design is checked again at the amplitude typed.
        request(RequestBox::Order, QStringLiteral("6"));
        QTRY_VERIFY(!m_window->analyses()->workPending());
        QCOMPARE(m_window->analyses()->checks()->outputs.size(), 9u);
        QCOMPARE(m_window->analyses()->checks()->amplitudeV, 0.1);
    }

    void noisePageShowsTheWholeFiltersNoiseAndItsSources()
    {
        chooseOpAmp(QStringLiteral("OP27"));
        NoisePage* page = m_window->analyses()->noisePage();
        QCOMPARE(m_window->pages()->tabText(m_window->pages()->indexOf(page)), QStringLiteral("雑音"));
        QVERIFY(page->isStale());  // nothing computed while out of view
        m_window->pages()->setCurrentWidget(page);
        QVERIFY(!page->isStale());
        QVERIFY(page->result());

        // The library's noise of the same sections over the same band: the fourth-order low-pass at 1 kHz
        // integrates over its passband, 1 Hz to 1 kHz.
        QCOMPARE(page->band().lowHz, 1.0);
        QCOMPARE(page->band().highHz, 1000.0);
        NoiseSettings settings;
        std::tie(settings.fromHz, settings.toHz) = filter::chartRange(design());
        settings.points = static_cast<int>(page->result()->frequencyHz.size());
        settings.bandLowHz = 1;
        settings.bandHighHz = 1000;
        const NoiseResult expected = outputNoise(cascadeNoiseSections(design(), m_window->analyses()->opAmp()), settings);
        QCOMPARE(page->result()->totalVrms, expected.totalVrms);
        QVERIFY(page->totalLabel()->text().contains(QStringLiteral("通過域")));
        QCOMPARE(page->sourcesTable()->rowCount(), static_cast<int>(expected.sources.size()));
        QCOMPARE(page->sourcesTable()->item(0, 1)->text(), QString::fromStdString(expected.sources[0].name));
        QCOMPARE(page->sourcesTable()->item(0, 0)->text(), QString::number(expected.sources[0].section + 1));
        QCOMPARE(page->chartView()->chart()->series().size(), 2);  // the band and the density

        // A band typed in: 20 Hz to 20 kHz, said as given; one that does not read keeps the last total.
        type(page->bandLowField(), QStringLiteral("20"));
        type(page->bandHighField(), QStringLiteral("２０ｋ"));
        QTRY_VERIFY(!page->workPending());
        QCOMPARE(page->band().highHz, 20000.0);
        QVERIFY(!page->bandIsDefault());
        QVERIFY(page->totalLabel()->text().contains(QStringLiteral("指定")));
        const double total = page->result()->totalVrms;
        type(page->bandHighField(), QStringLiteral("10"));
        QTRY_VERIFY(!page->workPending());
        QVERIFY(!page->bandError()->text().isEmpty());
        QCOMPARE(page->result()->totalVrms, total);

        // In view, a new op-amp is computed at once.
        type(page->bandHighField(), QStringLiteral(""));
        type(page->bandLowField(), QStringLiteral(""));
        QTRY_VERIFY(!page->workPending());
        const double withOp27 = page->result()->totalVrms;
        chooseOpAmp(QStringLiteral("TL071"));
        QVERIFY(page->result()->totalVrms > withOp27);  // 18 nV/rtHz against 3
    }

    void tolerancePageFollowsTheDesign()
    {
        ToleranceView* view = m_window->analyses()->toleranceView();
        QCOMPARE(m_window->pages()->tabText(m_window->pages()->indexOf(view)), QStringLiteral("許容差"));
        m_window->pages()->setCurrentWidget(view);
        QCOMPARE(view->sectionField()->count(), 2);
        QVERIFY(!view->maskField()->isEnabled());  // designed by order: no mask to judge

        // A run on the worker thread, then a new design drops its results.
        QSignalSpy finished(view, &ToleranceView::runFinished);
        view->runsField()->setValue(300);
        QTest::mouseClick(view->runButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(view->study().runs, 300);
        request(RequestBox::Order, QStringLiteral("6"));
        QCOMPARE(view->sectionField()->count(), 3);
        QVERIFY(view->study().sections.empty());

        // A long run shows its progress and stops when cancelled.
        useMask(0, 4);
        QTRY_VERIFY(!m_window->workPending());
        QVERIFY(view->maskField()->isEnabled() && view->maskField()->isChecked());
        view->runsField()->setValue(1000000);
        QTest::mouseClick(view->runButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(view->progressBar()->isVisible() && view->cancelButton()->isVisible(), 5000);
        QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
        QCOMPARE(finished.at(1).at(0).toBool(), false);
        QVERIFY(view->statusLabel()->text().contains(QStringLiteral("中止")));
    }

    // Not a check: with TORVEL_SCREENSHOT_DIR set, leaves a picture of the window there for the docs.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("TORVEL_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TORVEL_SCREENSHOT_DIR not set");
        useMask(0, 4);
        request(RequestBox::Fp, QStringLiteral("10k"));
        request(RequestBox::Fs, QStringLiteral("13k"));
        request(RequestBox::Ap, QStringLiteral("0.5"));
        request(RequestBox::As, QStringLiteral("60"));
        selectSection(2);
        QTest::qWait(200);
        QVERIFY(m_window->grab().save(dir + QStringLiteral("/filter-window.png")));
    }
};

QTEST_MAIN(FilterWindowTest)
#include "filter_window_test.moc"
