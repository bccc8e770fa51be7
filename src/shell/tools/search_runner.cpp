#include "shell/tools/search_runner.h"

#include <QFutureWatcher>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

namespace torvel {
namespace {

constexpr int kProgressSteps = 1000;  // per request
constexpr int kProgressPollMs = 50;

}  // namespace

SearchRunner::SearchRunner(QWidget& window) : QObject(&window), m_window(window)
{
    m_search = [](const search::SectionRequest& request, const search::SearchControl& control) {
        return search::findBestValues(request, control);
    };
}

SearchRunner::~SearchRunner()
{
    if (m_watcher) {
        m_cancel = true;
        m_watcher->disconnect(this);
        m_watcher->waitForFinished();
    }
}

bool SearchRunner::running() const { return m_watcher && m_watcher->isRunning(); }

void SearchRunner::cancel() { m_cancel = true; }

void SearchRunner::start(std::vector<search::SectionRequest> requests, QStringList stepTexts)
{
    if (running())
        return;
    m_cancel = false;
    m_step = 0;
    m_permille = 0;
    m_stepCount = static_cast<int>(requests.size());
    m_stepTexts = std::move(stepTexts);
    m_results.clear();
    m_cancelled = false;

    m_progress = new QProgressDialog(QStringLiteral("最適化しています..."), QStringLiteral("中止"), 0,
                                     kProgressSteps * std::max(1, m_stepCount), &m_window);
    m_progress->setObjectName(QStringLiteral("OptimiseProgress"));
    m_progress->setWindowTitle(QStringLiteral("最適化"));
    m_progress->setWindowModality(Qt::WindowModal);  // the fields stay as the search read them
    m_progress->setMinimumDuration(m_progressDelayMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, &SearchRunner::cancel);
    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &SearchRunner::showProgress);
    m_progressTimer->start(kProgressPollMs);

    m_watcher = std::make_unique<QFutureWatcher<Run>>();
    connect(m_watcher.get(), &QFutureWatcher<Run>::finished, this, &SearchRunner::runFinished);
    m_watcher->setFuture(QtConcurrent::run([this, requests = std::move(requests), searcher = m_search] {
        return search(requests, searcher);
    }));
}

SearchRunner::Run SearchRunner::search(const std::vector<search::SectionRequest>& requests, const Searcher& searcher)
{
    Run run;
    search::SearchControl control;
    control.cancel = &m_cancel;
    control.progress = [this](double fraction) { m_permille = static_cast<int>(fraction * kProgressSteps); };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        m_step = static_cast<int>(i);
        m_permille = 0;
        if (m_cancel) {
            run.cancelled = true;
            break;
        }
        try {
            run.results.push_back(searcher(requests[i], control));
        } catch (const std::exception& error) {  // nothing may leave the worker thread
            search::SectionResult failed;
            failed.reason = error.what();
            run.results.push_back(std::move(failed));
        }
        if (run.results.back().status == search::SearchStatus::Cancelled) {
            run.cancelled = true;
            break;
        }
    }
    run.cancelled = run.cancelled || m_cancel;
    return run;
}

void SearchRunner::showProgress()
{
    if (!m_progress)
        return;
    const int step = m_step.load();
    if (step < m_stepTexts.size())
        m_progress->setLabelText(m_stepTexts[step]);
    m_progress->setValue(step * kProgressSteps + m_permille.load());
}

void SearchRunner::runFinished()
{
    Run run = m_watcher->result();
    m_results = std::move(run.results);
    m_cancelled = run.cancelled;
    m_progressTimer->stop();
    m_progressTimer->deleteLater();
    m_progressTimer = nullptr;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    emit finished();
}

}  // namespace torvel
