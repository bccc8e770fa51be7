#include "shell/tools/optimise_tool.h"

#include "search/optimise_command.h"
#include "search/option_texts.h"
#include "values/engineering_notation.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>
#include <exception>

namespace torvel {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressPollMs = 50;

QString fromStd(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string toStd(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString valueText(double value)
{
    std::string text = FormatEngineering(value, 0, kDisplayDecimals);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return fromStd(text);
}

QString percentText(double percent)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.3f %%", percent);
    return QString::fromLatin1(text);
}

}  // namespace

OptimiseTool::OptimiseTool(QWidget& window, DesignPanel& panel, QMenuBar& menuBar)
    : QObject(&window), m_window(window), m_panel(panel)
{
    QMenu* menu = menuBar.addMenu(QStringLiteral("設計(&D)"));
    m_action = menu->addAction(QStringLiteral("最適化(&M)..."), QKeySequence(Qt::CTRL | Qt::Key_M), this, &OptimiseTool::optimise);
    m_action->setObjectName(QStringLiteral("ActionOptimise"));
    m_chooseOptions = [this](const search::SearchOptions& last) { return askOptions(last); };
    m_search = [](const search::SectionRequest& request, const search::SearchControl& control) {
        return search::findBestValues(request, control);
    };
}

OptimiseTool::~OptimiseTool()
{
    if (m_watcher) {
        m_cancel = true;
        m_watcher->disconnect(this);
        m_watcher->waitForFinished();
    }
}

bool OptimiseTool::running() const { return m_watcher && m_watcher->isRunning(); }

void OptimiseTool::cancel() { m_cancel = true; }

void OptimiseTool::optimise()
{
    if (running())
        return;
    std::optional<search::SectionRequest> request;
    try {
        const std::optional<search::SearchOptions> options = m_chooseOptions(m_lastOptions);
        if (!options)
            return;
        m_lastOptions = *options;
        request = search::readOptimiseRequest(m_panel, *options);
    } catch (const std::exception& error) {
        m_panel.CenteredMessage(error.what(), MessageKind::Error, MessageButtons::Ok);
        return;
    }
    if (!request)
        return;  // the unreadable field has been reported

    m_cancel = false;
    m_permille = 0;
    m_action->setEnabled(false);
    m_progress = new QProgressDialog(QStringLiteral("最適化しています..."), QStringLiteral("中止"), 0, kProgressSteps, &m_window);
    m_progress->setObjectName(QStringLiteral("OptimiseProgress"));
    m_progress->setWindowTitle(QStringLiteral("最適化"));
    m_progress->setWindowModality(Qt::WindowModal);  // the fields stay as the search read them
    m_progress->setMinimumDuration(m_progressDelayMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, &OptimiseTool::cancel);
    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_progress)
            m_progress->setValue(m_permille.load());
    });
    m_progressTimer->start(kProgressPollMs);

    m_watcher = std::make_unique<QFutureWatcher<search::SectionResult>>();
    connect(m_watcher.get(), &QFutureWatcher<search::SectionResult>::finished, this, &OptimiseTool::searchFinished);
    const Searcher searcher = m_search;
    m_watcher->setFuture(QtConcurrent::run([this, searcher, request = *request] {
        search::SearchControl control;
        control.cancel = &m_cancel;
        control.progress = [this](double fraction) { m_permille = static_cast<int>(fraction * kProgressSteps); };
        try {
            return searcher(request, control);
        } catch (const std::exception& error) {  // nothing may leave the worker thread
            search::SectionResult failed;
            failed.reason = error.what();
            return failed;
        }
    }));
}

void OptimiseTool::searchFinished()
{
    const search::SectionResult result = m_watcher->result();
    m_progressTimer->stop();
    m_progressTimer->deleteLater();
    m_progressTimer = nullptr;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    m_action->setEnabled(true);
    try {
        search::applyOptimiseResult(m_panel, result);
        if (result.status == search::SearchStatus::Found) {
            m_built = result.partsDescription();
            showResult(result);
        }
    } catch (const std::exception& error) {
        m_panel.CenteredMessage(error.what(), MessageKind::Error, MessageButtons::Ok);
    }
    emit finished();
}

void OptimiseTool::showResult(const search::SectionResult& result)
{
    if (!m_result) {
        m_result = new QDialog(&m_window);
        m_result->setObjectName(QStringLiteral("OptimiseResult"));
        m_result->setWindowTitle(QStringLiteral("最適化の結果"));
        auto* layout = new QVBoxLayout(m_result);
        m_table = new QTableWidget(0, 3, m_result);
        m_table->setObjectName(QStringLiteral("OptimiseResultTable"));
        m_table->setHorizontalHeaderLabels({QStringLiteral("指定"), QStringLiteral("実現"), QStringLiteral("誤差")});
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        m_summary = new QLabel(m_result);
        m_summary->setObjectName(QStringLiteral("OptimiseResultSummary"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_result);
        connect(buttons, &QDialogButtonBox::rejected, m_result, &QDialog::close);
        layout->addWidget(m_table);
        layout->addWidget(m_summary);
        layout->addWidget(buttons);
    }
    m_table->setRowCount(result.realised.count);
    QStringList names;
    for (int i = 0; i < result.realised.count; ++i) {
        const RealisedValue& v = result.realised.values[static_cast<std::size_t>(i)];
        names << QString::fromLatin1(v.name.data(), static_cast<qsizetype>(v.name.size()));
        m_table->setItem(i, 0, new QTableWidgetItem(valueText(v.wanted)));
        m_table->setItem(i, 1, new QTableWidgetItem(valueText(v.realised)));
        m_table->setItem(i, 2, new QTableWidgetItem(percentText(v.errorPercent)));
    }
    m_table->setVerticalHeaderLabels(names);
    QString summary = QStringLiteral("候補 %1 件, %2 ms").arg(result.candidates).arg(result.milliseconds, 0, 'f', 0);
    if (!result.proven)
        summary += QStringLiteral("\n時間制限で打ち切りました: それまでの最良値です。");
    m_summary->setText(summary);
    m_result->show();
    m_result->raise();
}

std::optional<search::SearchOptions> OptimiseTool::askOptions(const search::SearchOptions& last)
{
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("OptimiseOptions"));
    dialog.setWindowTitle(QStringLiteral("最適化"));
    auto* form = new QFormLayout;
    auto* equalC = new QCheckBox(QStringLiteral("C1 = C2 にする"), &dialog);
    equalC->setChecked(last.keepEqualC);
    auto* equalR = new QCheckBox(QStringLiteral("R5 = R6 にする"), &dialog);
    equalR->setChecked(last.keepR5R6);
    QStringList pairNames;
    for (Field field : kAllFields)
        if (static_cast<int>(field) <= static_cast<int>(Field::R10) && last.pairs.contains(field))
            pairNames << fromStd(std::string(fieldInfo(field).key));
    auto* pairs = new QLineEdit(pairNames.join(QLatin1Char(',')), &dialog);
    pairs->setPlaceholderText(QStringLiteral("例: R1,R3"));
    const auto edit = [&](double value) { return new QLineEdit(valueText(value), &dialog); };
    QLineEdit* rLow = edit(last.resistors.low);
    QLineEdit* rHigh = edit(last.resistors.high);
    QLineEdit* cLow = edit(last.capacitors.low);
    QLineEdit* cHigh = edit(last.capacitors.high);
    auto* largest = new QLineEdit(QString::number(last.largestAcceptedError * 100), &dialog);
    auto* limit = new QLineEdit(QString::number(last.timeLimitSeconds), &dialog);
    form->addRow(equalC);
    form->addRow(equalR);
    form->addRow(QStringLiteral("2部品(直列/並列)にしてよい素子"), pairs);
    form->addRow(QStringLiteral("抵抗の範囲"), rLow);
    form->addRow(QStringLiteral("〜"), rHigh);
    form->addRow(QStringLiteral("コンデンサの範囲"), cLow);
    form->addRow(QStringLiteral("〜 "), cHigh);
    form->addRow(QStringLiteral("許容する最大誤差 (%)"), largest);
    form->addRow(QStringLiteral("時間制限 (秒, 0 は無制限)"), limit);
    auto* problem = new QLabel(&dialog);
    problem->setObjectName(QStringLiteral("OptimiseOptionsProblem"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(problem);
    layout->addWidget(buttons);

    std::optional<search::SearchOptions> chosen;
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        search::SearchOptionTexts texts;
        texts.keepEqualC = equalC->isChecked();
        texts.keepR5R6 = equalR->isChecked();
        texts.pairs = toStd(pairs->text());
        texts.resistorLow = toStd(rLow->text());
        texts.resistorHigh = toStd(rHigh->text());
        texts.capacitorLow = toStd(cLow->text());
        texts.capacitorHigh = toStd(cHigh->text());
        bool numbers = true;
        bool read = false;
        texts.largestErrorPercent = largest->text().toDouble(&read);
        numbers = numbers && read;
        texts.timeLimitSeconds = limit->text().toDouble(&read);
        numbers = numbers && read;
        std::string error = "the accepted error and the time limit must be numbers";
        chosen = numbers ? search::readSearchOptions(texts, error) : std::nullopt;
        if (chosen) {
            chosen->errorResolution = last.errorResolution;
            dialog.accept();
        } else {
            problem->setText(fromStd(error));
        }
    });
    return dialog.exec() == QDialog::Accepted ? chosen : std::nullopt;
}

}  // namespace torvel
