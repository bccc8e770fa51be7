// Best-values searches run off the window's thread, behind a progress box that can cancel them.
//
// One run is one or more requests searched in turn (one section, or every section of a filter). The
// progress box shows after a delay (a run that ends sooner never shows it), names the step in hand and
// is window-modal, so the fields a run was read from stay as they were while it runs. The results come
// back on the window's thread; a cancelled run gives them back marked cancelled, to be thrown away.
#pragma once

#include "search/best_values.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class QWidget;
template <typename T>
class QFutureWatcher;

namespace torvel {

class SearchRunner : public QObject {
    Q_OBJECT
public:
    /// `window` parents the progress box.
    explicit SearchRunner(QWidget& window);
    /// Stops a running search and waits for its thread.
    ~SearchRunner() override;

    /// The search; tests give one they control. It runs on the worker thread.
    using Searcher = std::function<search::SectionResult(const search::SectionRequest&, const search::SearchControl&)>;
    void setSearcher(Searcher searcher) { m_search = std::move(searcher); }
    /// How long a run goes on before its progress box shows (200 ms).
    void setProgressDelay(int milliseconds) { m_progressDelayMs = milliseconds; }

    bool running() const;
    QProgressDialog* progressDialog() const { return m_progress; }

    /// Searches the requests one after another; `stepTexts[i]`, when given, labels the box while request
    /// i runs. Does nothing while a run is going on.
    void start(std::vector<search::SectionRequest> requests, QStringList stepTexts = {});
    /// The results of the last run, one per request searched.
    const std::vector<search::SectionResult>& results() const { return m_results; }
    /// Whether the last run was cancelled (its results are then incomplete).
    bool cancelled() const { return m_cancelled; }

public slots:
    void cancel();

signals:
    /// A run has ended, or has been cancelled; results() and cancelled() tell which.
    void finished();

private:
    struct Run {
        std::vector<search::SectionResult> results;
        bool cancelled = false;
    };
    Run search(const std::vector<search::SectionRequest>& requests, const Searcher& searcher);
    void runFinished();
    void showProgress();

    QWidget& m_window;
    Searcher m_search;
    int m_progressDelayMs = 200;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_step{0};
    std::atomic<int> m_permille{0};
    int m_stepCount = 0;
    QStringList m_stepTexts;
    std::unique_ptr<QFutureWatcher<Run>> m_watcher;
    QPointer<QProgressDialog> m_progress;
    QTimer* m_progressTimer = nullptr;
    std::vector<search::SectionResult> m_results;
    bool m_cancelled = false;
};

}  // namespace torvel
