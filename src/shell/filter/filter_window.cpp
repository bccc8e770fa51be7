#include "shell/filter/filter_window.h"

#include "cascade/cascade_netlist.h"
#include "cascade/filter_file.h"
#include "shell/charts/frequency_axis.h"
#include "shell/charts/noise_page.h"
#include "shell/filter/filter_analyses.h"
#include "shell/filter/filter_charts.h"
#include "shell/filter/filter_files.h"
#include "shell/filter/section_optimiser.h"
#include "shell/filter/section_rows.h"
#include "shell/filter/section_table_model.h"
#include "shell/messages/message_dialogs.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/tolerance_view.h"
#include "values/engineering_notation.h"

#include <QAction>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

#include <exception>

namespace torvel::filter {
namespace {

// Long enough that a value typed at an ordinary pace is designed once, when the hand stops, and short
// enough that the charts seem to follow the typing.
constexpr int kTypingPauseMs = 150;
// The calculator's synthesis writes a dozen fields one after another; they are read back once.
constexpr int kPanelSettleMs = 60;

enum ChartPage { MagnitudePage, PhasePage, DelayPage, LevelsPage };

const QString kBandEdgesHint = QStringLiteral("帯域通過・帯域阻止では両端を「F1,F2」の形で (例 800,1.25k)");

QString qText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string stdText(const QString& text) { return text.toStdString(); }

const QStringList& seriesChoices()
{
    static const QStringList choices = {QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("48"),
                                        QStringLiteral("96"), QStringLiteral("192"), QStringLiteral("∞")};
    return choices;
}

QString boxCaption(RequestBox box, approx::ResponseKind kind)
{
    const bool band = approx::isBand(kind);
    switch (box) {
    case RequestBox::Order: return QStringLiteral("次数 n");
    case RequestBox::Fc: return band ? QStringLiteral("中心周波数 f0 (Hz)") : QStringLiteral("遮断周波数 fc (Hz)");
    case RequestBox::Bandwidth: return QStringLiteral("帯域幅 BW (Hz)");
    case RequestBox::Fp: return band ? QStringLiteral("通過域端 fp1,fp2 (Hz)") : QStringLiteral("通過域端 fp (Hz)");
    case RequestBox::Fs: return band ? QStringLiteral("阻止域端 fs1,fs2 (Hz)") : QStringLiteral("阻止域端 fs (Hz)");
    case RequestBox::Ap: return QStringLiteral("通過域の許容減衰 Ap (dB)");
    case RequestBox::As: return QStringLiteral("阻止域の最小減衰 As (dB)");
    case RequestBox::Ripple: return QStringLiteral("リプル (dB)");
    case RequestBox::Attenuation: return QStringLiteral("阻止域減衰量 (dB)");
    case RequestBox::Gain: return QStringLiteral("利得 G (倍)");
    case RequestBox::ResistorSeries: return QStringLiteral("抵抗のE系列");
    case RequestBox::CapacitorSeries: return QStringLiteral("コンデンサのE系列");
    case RequestBox::Impedance: return QStringLiteral("標準インピーダンス Z (Ω)");
    }
    return {};
}

QString summaryText(const cascade::Cascade& c, const FilterCurves& curves)
{
    const approx::FilterDesign& d = c.design;
    int opAmps = 0;
    for (const cascade::BuiltSection& s : c.sections)
        opAmps += s.circuit.opAmpCount();
    const int poles = approx::isBand(d.kind) ? 2 * d.order : d.order;
    QString text = QStringLiteral("%1 %2  %3次 (%4極, %5段, オペアンプ %6個)")
                       .arg(qText(approximationCaption(d.approximation)), qText(responseKindCaption(d.kind)))
                       .arg(d.order)
                       .arg(poles)
                       .arg(c.sections.size())
                       .arg(opAmps);
    if (approx::isBand(d.kind))
        text += QStringLiteral("  f0 %1Hz  帯域幅 %2Hz")
                    .arg(qText(ShortEngineering(d.fcHz)), qText(ShortEngineering(d.bandwidthHz)));
    else
        text += QStringLiteral("  fc %1Hz").arg(qText(ShortEngineering(d.fcHz)));
    text += QStringLiteral("  G %1  ヘッドルーム %2 dB").arg(d.gain, 0, 'g', 6).arg(curves.headroom.headroomDb, 0, 'f', 2);
    if (curves.verdict)
        text += QStringLiteral("  マスク: 理想 %1 / 実現 %2")
                    .arg(curves.verdict->metWanted ? QStringLiteral("満たす") : QStringLiteral("満たさない"),
                         curves.verdict->metBuilt ? QStringLiteral("満たす") : QStringLiteral("満たさない"));
    return text;
}

}  // namespace

FilterWindow::FilterWindow(DesignPanel& mainPanel, QWidget* parent) : QWidget(parent, Qt::Window), m_mainPanel(mainPanel)
{
    setObjectName(QStringLiteral("FormFilter"));
    setWindowTitle(QStringLiteral("フィルタ設計"));
    // The main window alone ends the program; this one may still be open when it closes.
    setAttribute(Qt::WA_QuitOnClose, false);

    for (QTimer* timer : {&m_redesignTimer, &m_curvesTimer, &m_followTimer})
        timer->setSingleShot(true);
    m_redesignTimer.setInterval(kTypingPauseMs);
    m_curvesTimer.setInterval(kTypingPauseMs);
    m_followTimer.setInterval(kPanelSettleMs);
    connect(&m_redesignTimer, &QTimer::timeout, this, &FilterWindow::redesign);
    connect(&m_curvesTimer, &QTimer::timeout, this, &FilterWindow::recomputeCurves);
    connect(&m_followTimer, &QTimer::timeout, this, &FilterWindow::followMainPanel);

    m_model = new SectionTableModel(m_session, this);
    m_optimiser = new SectionOptimiser(*this, m_session, [this](const QString& text, MessageKind kind) { message(text, kind); });
    connect(m_optimiser, &SectionOptimiser::sectionsChanged, this, &FilterWindow::showDesign);
    connect(m_optimiser, &SectionOptimiser::status, this, &FilterWindow::showLinkStatus);
    buildMenu();
    auto* top = new QWidget;
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(buildRequestPanel());
    topLayout->addWidget(buildChartPages(), 1);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(top);
    splitter->addWidget(buildSectionPanel());
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({560, 280});
    auto* root = new QVBoxLayout(this);
    root->setMenuBar(m_menuBar);
    root->addWidget(splitter);
    resize(1200, 860);

    m_choosePath = [this](const QString& title, const QString& filter, bool save) {
        return save ? QFileDialog::getSaveFileName(this, title, QString(), filter)
                    : QFileDialog::getOpenFileName(this, title, QString(), filter);
    };
    m_message = [this](const QString& text, MessageKind kind) { CenteredMessage(text, kind, MessageButtons::Ok, 0, this); };

    // The calculator's settings are where a designer starts.
    const cascade::PartSettings parts{m_mainPanel.comboText(Combo::EvalE1), m_mainPanel.comboText(Combo::EvalE2),
                                      m_mainPanel.fieldText(Field::Zval)};
    showRequestTexts(defaultRequestTexts(parts));
    redesign();
}

FilterWindow::~FilterWindow()
{
    // The members go before the child widgets do: nothing the children signal (a tab page leaving, a
    // selection cleared) may reach a handler any more, and the table must not read the session.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    m_table->setModel(nullptr);
    delete m_analyses;  // before the op-amp row whose fields it listens to
}

void FilterWindow::buildMenu()
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("FilterMenuBar"));
    QMenu* file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    const auto add = [&](const QString& objectName, const QString& text, QKeySequence key, auto slot) {
        QAction* action = file->addAction(text, key, this, slot);
        action->setObjectName(objectName);
    };
    add(QStringLiteral("OpenFilter"), QStringLiteral("フィルタを開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), &FilterWindow::openFilter);
    add(QStringLiteral("SaveFilter"), QStringLiteral("フィルタを保存(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_S), &FilterWindow::saveFilterAs);
    file->addSeparator();
    add(QStringLiteral("ExportNetlist"), QStringLiteral("SPICEネットリスト書き出し(&N)..."), QKeySequence(Qt::CTRL | Qt::Key_E),
        &FilterWindow::exportNetlist);
    add(QStringLiteral("ExportBillOfMaterials"), QStringLiteral("部品表CSV書き出し(&B)..."), QKeySequence(Qt::CTRL | Qt::Key_B),
        &FilterWindow::exportBillOfMaterials);
    add(QStringLiteral("SaveChart"), QStringLiteral("グラフを画像で保存(&G)..."), QKeySequence(Qt::CTRL | Qt::Key_G),
        &FilterWindow::saveChartAs);
    file->addSeparator();
    add(QStringLiteral("CloseFilterWindow"), QStringLiteral("閉じる(&C)"), QKeySequence(Qt::CTRL | Qt::Key_W), &QWidget::close);
    QMenu* design = m_menuBar->addMenu(QStringLiteral("設計(&D)"));
    design->addAction(m_optimiser->sectionAction());
    design->addAction(m_optimiser->allAction());
}

void FilterWindow::addBox(QGridLayout* grid, RequestBox which, const QString& objectName, QWidget* input, QLineEdit* edit)
{
    Box& box = m_boxes[static_cast<std::size_t>(which)];
    const int row = grid->rowCount();
    box.caption = new QLabel;
    box.edit = edit;
    box.combo = qobject_cast<QComboBox*>(input);
    input->setObjectName(objectName);
    box.caption->setBuddy(input);
    box.error = new QLabel;
    box.error->setObjectName(objectName + QStringLiteral("Error"));
    box.error->setWordWrap(true);
    box.error->setStyleSheet(QStringLiteral("color: #c00000;"));
    box.error->setMinimumWidth(210);
    box.error->setMaximumWidth(210);
    grid->addWidget(box.caption, row, 0);
    grid->addWidget(input, row, 1);
    grid->addWidget(box.error, row, 2);
    connect(edit, &QLineEdit::textChanged, this, [this] {
        if (!m_showingTexts)
            m_redesignTimer.start();
    });
    connect(edit, &QLineEdit::returnPressed, this, &FilterWindow::redesign);
}

QWidget* FilterWindow::buildRequestPanel()
{
    auto* group = new QGroupBox(QStringLiteral("設計要求"));
    group->setObjectName(QStringLiteral("FilterRequest"));
    auto* grid = new QGridLayout(group);
    grid->setColumnMinimumWidth(1, 120);

    m_kind = new QComboBox;
    m_kind->setObjectName(QStringLiteral("ResponseKind"));
    for (approx::ResponseKind kind : kAllResponseKinds)
        m_kind->addItem(qText(responseKindCaption(kind)));
    m_approximation = new QComboBox;
    m_approximation->setObjectName(QStringLiteral("Approximation"));
    for (approx::Approximation a : kAllApproximations)
        m_approximation->addItem(qText(approximationCaption(a)));
    auto* kindLabel = new QLabel(QStringLiteral("応答"));
    kindLabel->setBuddy(m_kind);
    auto* approximationLabel = new QLabel(QStringLiteral("近似"));
    approximationLabel->setBuddy(m_approximation);
    grid->addWidget(kindLabel, 0, 0);
    grid->addWidget(m_kind, 0, 1, 1, 2);
    grid->addWidget(approximationLabel, 1, 0);
    grid->addWidget(m_approximation, 1, 1, 1, 2);

    m_mode = new QButtonGroup(this);
    auto* byOrder = new QRadioButton(QStringLiteral("次数で指定"));
    byOrder->setObjectName(QStringLiteral("ByOrder"));
    auto* byMask = new QRadioButton(QStringLiteral("マスクで指定"));
    byMask->setObjectName(QStringLiteral("ByMask"));
    m_mode->addButton(byOrder, static_cast<int>(RequestMode::Order));
    m_mode->addButton(byMask, static_cast<int>(RequestMode::Mask));
    byOrder->setChecked(true);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(byOrder);
    modeRow->addWidget(byMask);
    modeRow->addStretch();
    grid->addLayout(modeRow, 2, 0, 1, 3);

    const auto lineBox = [&](RequestBox which, const char* name) {
        auto* edit = new QLineEdit;
        addBox(grid, which, QString::fromLatin1(name), edit, edit);
    };
    const auto seriesBox = [&](RequestBox which, const char* name) {
        auto* combo = new QComboBox;
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(seriesChoices());
        addBox(grid, which, QString::fromLatin1(name), combo, combo->lineEdit());
    };
    lineBox(RequestBox::Order, "RequestOrder");
    lineBox(RequestBox::Fc, "RequestFc");
    lineBox(RequestBox::Bandwidth, "RequestBandwidth");
    lineBox(RequestBox::Ripple, "RequestRipple");
    lineBox(RequestBox::Attenuation, "RequestAttenuation");
    lineBox(RequestBox::Fp, "RequestFp");
    lineBox(RequestBox::Fs, "RequestFs");
    lineBox(RequestBox::Ap, "RequestAp");
    lineBox(RequestBox::As, "RequestAs");
    lineBox(RequestBox::Gain, "RequestGain");
    seriesBox(RequestBox::ResistorSeries, "RequestE1");
    seriesBox(RequestBox::CapacitorSeries, "RequestE2");
    lineBox(RequestBox::Impedance, "RequestZ");

    m_generalError = new QLabel;
    m_generalError->setObjectName(QStringLiteral("RequestError"));
    m_generalError->setWordWrap(true);
    m_generalError->setStyleSheet(QStringLiteral("color: #c00000;"));
    grid->addWidget(m_generalError, grid->rowCount(), 0, 1, 3);
    grid->setRowStretch(grid->rowCount(), 1);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &FilterWindow::requestShapeChanged);
    connect(m_approximation, &QComboBox::currentIndexChanged, this, &FilterWindow::requestShapeChanged);
    connect(m_mode, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            requestShapeChanged();
    });
    return group;
}

QWidget* FilterWindow::buildChartPages()
{
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("FilterPages"));
    const std::array<std::pair<const char*, QString>, 4> pages = {{
        {"MagnitudeChart", QStringLiteral("振幅")},
        {"PhaseChart", QStringLiteral("位相")},
        {"GroupDelayChart", QStringLiteral("群遅延")},
        {"OpAmpLevelChart", QStringLiteral("オペアンプ出力")},
    }};
    for (std::size_t k = 0; k < pages.size(); ++k) {
        m_charts[k] = newChartView(QString::fromLatin1(pages[k].first));
        m_tabs->addTab(m_charts[k], pages[k].second);
    }

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int page) { guarded([&] { drawChart(page); }); });

    m_gbw = new QLineEdit;
    m_gbw->setObjectName(QStringLiteral("GainBandwidth"));
    m_gbw->setPlaceholderText(QStringLiteral("理想"));
    m_gbw->setToolTip(QStringLiteral("オペアンプの利得帯域幅積 (例 1M, 10M)。空欄は理想オペアンプ"));
    m_gbw->setMaximumWidth(120);
    auto* gbwLabel = new QLabel(QStringLiteral("GBW (Hz)"));
    gbwLabel->setBuddy(m_gbw);
    m_gbwError = new QLabel;
    m_gbwError->setObjectName(QStringLiteral("GainBandwidthError"));
    m_gbwError->setStyleSheet(QStringLiteral("color: #c00000;"));
    connect(m_gbw, &QLineEdit::textChanged, this, [this] { m_curvesTimer.start(); });
    connect(m_gbw, &QLineEdit::returnPressed, this, &FilterWindow::recomputeCurves);

    m_analyses = new FilterAnalyses(m_gbw, this);
    addPage(m_analyses->noisePage(), QStringLiteral("雑音"));
    addPage(m_analyses->toleranceView(), QStringLiteral("許容差"));

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("FilterSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* row = new QHBoxLayout;
    row->addWidget(gbwLabel);
    row->addWidget(m_gbw);
    row->addWidget(m_gbwError);
    row->addStretch();
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(m_analyses->opAmpControls());
    layout->addWidget(m_summary);
    layout->addWidget(m_tabs, 1);
    return panel;
}

QWidget* FilterWindow::buildSectionPanel()
{
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("SectionTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_table->selectRow(index.row());
        openSelectedSection();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FilterWindow::updateSectionActions);

    m_linkStatus = new QLabel;
    m_linkStatus->setObjectName(QStringLiteral("LinkStatus"));
    m_sectionActionRow = new QHBoxLayout;
    m_openSection = new QAction(QStringLiteral("本体ウィンドウで開く"), this);
    m_openSection->setObjectName(QStringLiteral("OpenSectionInMainWindow"));
    m_openSection->setToolTip(QStringLiteral("選んだ段の種類と値を本体ウィンドウに入れます。そこで部品を変えるとこの設計に反映されます"));
    connect(m_openSection, &QAction::triggered, this, &FilterWindow::openSelectedSection);
    addSectionAction(m_openSection);
    addSectionAction(m_optimiser->sectionAction());
    // Not a selected section's action: enabled whenever there is a design.
    m_table->addAction(m_optimiser->allAction());
    auto* allButton = new QToolButton;
    allButton->setDefaultAction(m_optimiser->allAction());
    allButton->setObjectName(m_optimiser->allAction()->objectName() + QStringLiteral("Button"));
    m_sectionActionRow->addWidget(allButton);
    m_sectionActionRow->addStretch();
    m_sectionActionRow->addWidget(m_linkStatus);

    auto* group = new QGroupBox(QStringLiteral("段 (入力側から)"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_table, 1);
    layout->addLayout(m_sectionActionRow);
    updateSectionActions();
    return group;
}

std::optional<std::size_t> FilterWindow::selectedSection() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return static_cast<std::size_t>(rows.front().row());
}

void FilterWindow::addPage(QWidget* page, const QString& title) { m_tabs->addTab(page, title); }

void FilterWindow::addSectionAction(QAction* action)
{
    m_sectionActions.append(action);
    m_table->addAction(action);
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setObjectName(action->objectName() + QStringLiteral("Button"));
    // Before the stretch and the status, after the actions already there.
    m_sectionActionRow->insertWidget(static_cast<int>(m_sectionActions.size()) - 1, button);
    updateSectionActions();
}

void FilterWindow::updateSectionActions()
{
    const std::optional<std::size_t> selected = selectedSection();
    const auto& c = m_session.cascade();
    const bool any = selected && c && *selected < c->sections.size();
    for (QAction* action : m_sectionActions)
        action->setEnabled(any);
    const bool firstOrder = any && c->sections[*selected].circuit.isFirstOrder();
    m_openSection->setEnabled(any && !firstOrder);
    m_optimiser->updateActions(selected);
    m_openSection->setToolTip(firstOrder ? QStringLiteral("1次の段は本体ウィンドウに対応する種類がないため開けません")
                                         : QStringLiteral("選んだ段の種類と値を本体ウィンドウに入れます。そこで部品を変えるとこの設計に反映されます"));
}

RequestTexts FilterWindow::requestTexts() const
{
    RequestTexts t;
    t.kind = kAllResponseKinds[static_cast<std::size_t>(std::max(0, m_kind->currentIndex()))];
    t.approximation = kAllApproximations[static_cast<std::size_t>(std::max(0, m_approximation->currentIndex()))];
    t.mode = static_cast<RequestMode>(m_mode->checkedId());
    for (int k = 0; k < kRequestBoxCount; ++k)
        t.boxes[static_cast<std::size_t>(k)] = stdText(m_boxes[static_cast<std::size_t>(k)].edit->text());
    return t;
}

void FilterWindow::showRequestTexts(const RequestTexts& texts)
{
    m_showingTexts = true;
    m_kind->setCurrentIndex(static_cast<int>(std::find(kAllResponseKinds.begin(), kAllResponseKinds.end(), texts.kind) - kAllResponseKinds.begin()));
    m_approximation->setCurrentIndex(static_cast<int>(
        std::find(kAllApproximations.begin(), kAllApproximations.end(), texts.approximation) - kAllApproximations.begin()));
    m_mode->button(static_cast<int>(texts.mode))->setChecked(true);
    for (int k = 0; k < kRequestBoxCount; ++k) {
        const Box& b = m_boxes[static_cast<std::size_t>(k)];
        const QString text = qText(texts.boxes[static_cast<std::size_t>(k)]);
        if (b.combo)
            b.combo->setEditText(text);
        else
            b.edit->setText(text);
    }
    m_showingTexts = false;
    m_redesignTimer.stop();
    updateBoxStates();
}

void FilterWindow::requestShapeChanged()
{
    if (m_showingTexts)
        return;
    // Mask edges written for another kind (one frequency where a band needs two, a stopband on the
    // wrong side) are replaced by edges of the new kind; edges that still fit stay.
    RequestTexts texts = requestTexts();
    RequestTexts asMask = texts;
    asMask.mode = RequestMode::Mask;
    const RequestReading reading = readRequest(asMask);
    const bool edgesFit = std::none_of(reading.errors.begin(), reading.errors.end(), [](const BoxError& e) {
        return e.box == RequestBox::Fp || e.box == RequestBox::Fs;
    });
    if (!edgesFit) {
        std::tie(texts[RequestBox::Fp], texts[RequestBox::Fs]) = defaultMaskEdges(texts.kind);
        showRequestTexts(texts);
    }
    updateBoxStates();
    redesign();
}

void FilterWindow::updateBoxStates()
{
    const RequestTexts texts = requestTexts();
    for (int k = 0; k < kRequestBoxCount; ++k) {
        const auto which = static_cast<RequestBox>(k);
        const Box& b = m_boxes[static_cast<std::size_t>(k)];
        const bool used = boxUsed(which, texts.kind, texts.approximation, texts.mode);
        b.caption->setText(boxCaption(which, texts.kind));
        b.caption->setEnabled(used);
        (b.combo ? static_cast<QWidget*>(b.combo) : b.edit)->setEnabled(used);
        if (!used)
            b.error->clear();
    }
}

void FilterWindow::showErrors(const Redesign& outcome)
{
    for (int k = 0; k < kRequestBoxCount; ++k) {
        const Box& b = m_boxes[static_cast<std::size_t>(k)];
        QString text;
        for (const BoxError& e : outcome.boxErrors)
            if (static_cast<int>(e.box) == k)
                text = qText(e.text);
        b.error->setText(text);
        b.edit->setStyleSheet(text.isEmpty() ? QString() : QStringLiteral("QLineEdit { border: 1px solid #c00000; }"));
        const bool edges = k == static_cast<int>(RequestBox::Fp) || k == static_cast<int>(RequestBox::Fs);
        b.edit->setToolTip(!text.isEmpty() ? text : edges ? kBandEdgesHint : QString());
    }
    m_generalError->setText(qText(outcome.generalError));
}

void FilterWindow::redesign()
{
    guarded([&] {
        m_redesignTimer.stop();
        const bool wasLinked = m_session.linkedSection().has_value();
        const Redesign outcome = m_session.redesign(requestTexts());
        showErrors(outcome);
        if (!outcome.designed())
            return;  // the last design stays on screen
        if (wasLinked)
            showLinkStatus(QStringLiteral("新しい設計になったため、本体ウィンドウとの連動を解除しました"));
        showDesign();
    });
}

void FilterWindow::showDesign()
{
    refreshTable();
    recomputeCurves();
}

void FilterWindow::recomputeCurves()
{
    guarded([&] {
        m_curvesTimer.stop();
        const std::optional<OpAmpModel> model = opAmpModelFromText(stdText(m_gbw->text()));
        m_gbwError->setText(model ? QString() : QStringLiteral("正の周波数を入れてください (空欄は理想オペアンプ)"));
        if (!model)
            return;  // the last curves stay
        m_opAmp = *model;
        const std::optional<cascade::Cascade>& c = m_session.cascade();
        if (!c)
            return;
        m_curves = filterCurves(*c, m_opAmp);
    // Only the chart in view is drawn now; the others when their page is opened.
    m_chartStale.fill(true);
    drawChart(m_tabs->currentIndex());
    m_summary->setText(summaryText(*c, m_curves));
    m_analyses->setFilter(*c, m_opAmp);
    });
}

void FilterWindow::refreshTable()
{
    // A reset model forgets the selection; the designer's row stays selected where it still exists.
    const std::optional<std::size_t> selected = selectedSection();
    m_model->refresh();
    if (selected && static_cast<int>(*selected) < m_model->rowCount())
        m_table->selectRow(static_cast<int>(*selected));
    updateSectionActions();
}

void FilterWindow::drawChart(int page)
{
    if (page < 0 || page >= static_cast<int>(m_charts.size()) || !m_chartStale[static_cast<std::size_t>(page)])
        return;
    const std::optional<cascade::Cascade>& c = m_session.cascade();
    if (!c || m_curves.frequencyHz.empty())
        return;
    m_chartStale[static_cast<std::size_t>(page)] = false;
    QChart& chart = *m_charts[static_cast<std::size_t>(page)]->chart();
    switch (page) {
    case MagnitudePage: showChart(chart, magnitudeChart(m_curves, *c)); break;
    case PhasePage: showChart(chart, phaseChart(m_curves)); break;
    case DelayPage: showChart(chart, groupDelayChart(m_curves)); break;
    case LevelsPage: showChart(chart, opAmpLevelChart(m_curves)); break;
    default: break;
    }
}

void FilterWindow::mainPanelChanged()
{
    if (m_session.linkedSection())
        m_followTimer.start();
}

void FilterWindow::followMainPanel()
{
    guarded([&] {
        const std::optional<std::size_t> linked = m_session.linkedSection();
        const QString section = linked ? QString::number(*linked + 1) : QString();
        switch (m_session.followPanel(m_mainPanel)) {
        case PanelFollowing::NotLinked:
        case PanelFollowing::Unchanged: return;
        case PanelFollowing::OtherType:
            showLinkStatus(QStringLiteral("本体ウィンドウの種類が第%1段と違うため、この段は変えていません").arg(section));
            return;
        case PanelFollowing::Unreadable:
            showLinkStatus(QStringLiteral("本体ウィンドウの部品の値が読めないため、第%1段は変えていません").arg(section));
            return;
        case PanelFollowing::Updated:
            showLinkStatus(QStringLiteral("第%1段を本体ウィンドウの部品で計算し直しました").arg(section));
            refreshTable();
            recomputeCurves();
            return;
        }
    });
}

void FilterWindow::openSelectedSection()
{
    guarded([&] {
        const std::optional<std::size_t> selected = selectedSection();
        if (!selected)
            return;
        if (m_session.openSection(*selected, m_mainPanel) == SectionOpening::FirstOrder) {
            showLinkStatus(QStringLiteral("1次の段は本体ウィンドウに対応する種類がないため開けません"));
            return;
        }
        showLinkStatus(QStringLiteral("第%1段を本体ウィンドウで開いています。そこでの部品の変更はこの段に反映されます").arg(*selected + 1));
        refreshTable();
    });
}

void FilterWindow::showLinkStatus(const QString& text) { m_linkStatus->setText(text); }

void FilterWindow::openFilter()
{
    guarded([&] {
        const QString path = m_choosePath(QStringLiteral("フィルタを開く"), QStringLiteral("Torvel フィルタ (*.json)"), false);
        if (path.isEmpty())
            return;
        const FileRead read = readTextFile(path);
        if (!read.text) {
            message(path + QStringLiteral(": ") + read.error, MessageKind::Error);
            return;
        }
        const FilterLoading loading = m_session.load(*read.text);
        if (!loading.loaded()) {
            message(path + QStringLiteral(": ") + qText(loading.error), MessageKind::Error);
            return;
        }
        showRequestTexts(requestTextsOf(m_session.cascade()->request));
        showErrors({});
        showLinkStatus({});
        showDesign();
    });
}

void FilterWindow::saveFilterAs()
{
    guarded([&] {
        if (designShown())
            writeExport(QStringLiteral("フィルタを保存"), QStringLiteral("Torvel フィルタ (*.json)"), cascade::saveFilter(*m_session.cascade()));
    });
}

void FilterWindow::exportNetlist()
{
    guarded([&] {
        const std::optional<cascade::Cascade>& c = m_session.cascade();
        if (!designShown())
            return;
        const auto [from, to] = chartRange(*c);
        writeExport(QStringLiteral("SPICEネットリスト書き出し"), QStringLiteral("SPICE (*.cir)"), cascade::cascadeNetlist(*c, m_opAmp, from, to));
    });
}

void FilterWindow::exportBillOfMaterials()
{
    guarded([&] {
        if (designShown())
            writeExport(QStringLiteral("部品表CSV書き出し"), QStringLiteral("CSV (*.csv)"), cascade::cascadeBillOfMaterials(*m_session.cascade()));
    });
}

void FilterWindow::saveChartAs()
{
    guarded([&] {
        auto* view = qobject_cast<QChartView*>(m_tabs->currentWidget());
        if (!view) {
            message(QStringLiteral("保存できるグラフのページを選んでください"), MessageKind::Information);
            return;
        }
        const QString path = m_choosePath(QStringLiteral("グラフを画像で保存"), QStringLiteral("PNG (*.png);;SVG (*.svg)"), true);
        if (!path.isEmpty() && saveChartImage(*view, path) == ChartSave::Failed)
            message(QStringLiteral("保存できませんでした: ") + path, MessageKind::Warning);
    });
}

void FilterWindow::writeExport(const QString& title, const QString& filter, const std::string& text)
{
    const QString path = m_choosePath(title, filter, true);
    if (!path.isEmpty() && writeTextFile(path, text) == FileWrite::Failed)
        message(path + QStringLiteral(": 書き込めません"), MessageKind::Error);
}

void FilterWindow::message(const QString& text, MessageKind kind) { m_message(text, kind); }

bool FilterWindow::designShown()
{
    if (m_session.cascade())
        return true;
    message(QStringLiteral("書き出す設計がありません。設計要求の誤りを直してください"), MessageKind::Information);
    return false;
}

void FilterWindow::guarded(const std::function<void()>& body)
{
    // Nothing a slot runs may reach the event loop; what escapes is shown as an error and the window
    // keeps what it showed.
    try {
        body();
    } catch (const std::exception& error) {
        message(QStringLiteral("内部エラー: ") + QString::fromUtf8(error.what()), MessageKind::Error);
    } catch (...) {
        message(QStringLiteral("内部エラー"), MessageKind::Error);
    }
}

}  // namespace torvel::filter
