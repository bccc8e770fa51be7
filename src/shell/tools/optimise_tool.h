// The menu command 最適化: the search for best E-series values, run from the window.
//
// It asks for the search's options (search_options_dialog.h), reads the panel as the synthesis does, runs
// the search on a worker thread behind a progress box that can cancel it (search_runner.h: the window stays
// responsive, and a search that ends within 200 ms never shows the box), then fills the component fields
// and shows wanted against realised figures in a result window. The panel is only read and written on the
// window's thread.
#pragma once

#include "design/design_panel.h"
#include "design/parts_description.h"
#include "search/best_values.h"
#include "shell/tools/search_runner.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenuBar;
class QProgressDialog;
class QTableWidget;
class QWidget;

namespace torvel {

class OptimiseTool : public QObject {
    Q_OBJECT
public:
    /// Adds the command to `menuBar`; `window` parents its dialogs, `panel` is the window for the logic.
    OptimiseTool(QWidget& window, DesignPanel& panel, QMenuBar& menuBar);

    QAction* action() const { return m_action; }
    bool running() const { return m_runner->running(); }
    /// The result window of the last search that found a design; null before the first.
    QDialog* resultWindow() const { return m_result; }
    QTableWidget* resultTable() const { return m_table; }
    QLabel* resultSummary() const { return m_summary; }
    QProgressDialog* progressDialog() const { return m_runner->progressDialog(); }

    /// How the elements of the last design written are built (pairs), for the netlist and the parts list.
    const PartsDescription& partsDescription() const { return m_built; }

    /// Replaces the options dialog: gets the options used last, gives the ones to use or nothing to stop.
    using OptionsChooser = std::function<std::optional<search::SearchOptions>(const search::SearchOptions& last)>;
    void setOptionsChooser(OptionsChooser chooser) { m_chooseOptions = std::move(chooser); }
    /// Replaces the search (tests give one they control); it runs on the worker thread.
    void setSearcher(SearchRunner::Searcher searcher) { m_runner->setSearcher(std::move(searcher)); }
    /// How long a search runs before its progress box shows (200 ms).
    void setProgressDelay(int milliseconds) { m_runner->setProgressDelay(milliseconds); }

public slots:
    /// 最適化: options, then the search in the background.
    void optimise();
    /// Stops the running search; nothing is written.
    void cancel();

signals:
    /// A search has ended and its result has been applied (or it was cancelled).
    void finished();

private:
    void searchFinished();
    void showResult(const search::SectionResult& result);

    QWidget& m_window;
    DesignPanel& m_panel;
    QAction* m_action = nullptr;
    OptionsChooser m_chooseOptions;
    SearchRunner* m_runner = nullptr;
    search::SearchOptions m_lastOptions;
    PartsDescription m_built;
    QPointer<QDialog> m_result;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
};

}  // namespace torvel
