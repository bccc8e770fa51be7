// 最適化 in the filter window: the best-values search for the selected section, or for every
// second-order section ("全段を最適化"), with the filter's series and standard impedance.
//
// It asks for the search's options with the main window's dialog, runs the searches one after another
// on a worker thread (SearchRunner: the progress box names the section in hand and 中止 stops the run),
// and applies the answers together when the run ends (section_search.h), so a cancelled run leaves every
// section as it was. The window redraws from sectionsChanged(); what the run did goes to the status line,
// and a section that keeps its parts is said in a message through the window's message handler.
#pragma once

#include "design/design_panel.h"
#include "search/best_values.h"
#include "shell/filter/section_search.h"
#include "shell/tools/search_runner.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QProgressDialog;
class QWidget;

namespace torvel::filter {

class FilterSession;

class SectionOptimiser : public QObject {
    Q_OBJECT
public:
    using MessageHandler = std::function<void(const QString& text, MessageKind kind)>;
    /// `window` parents the dialogs; `message` shows a message as the window shows its own.
    SectionOptimiser(QWidget& window, FilterSession& session, MessageHandler message);

    /// 最適化 of the selected section, and 全段を最適化.
    QAction* sectionAction() const { return m_sectionAction; }
    QAction* allAction() const { return m_allAction; }
    /// Enables the actions for the section selected (a first-order one has no search) and the design.
    void updateActions(std::optional<std::size_t> selected);

    bool running() const { return m_runner->running(); }
    QProgressDialog* progressDialog() const { return m_runner->progressDialog(); }

    /// Replaces the options dialog: gets the options used last, gives the ones to use or nothing to stop.
    using OptionsChooser = std::function<std::optional<search::SearchOptions>(const search::SearchOptions& last)>;
    void setOptionsChooser(OptionsChooser chooser) { m_chooseOptions = std::move(chooser); }
    void setSearcher(SearchRunner::Searcher searcher) { m_runner->setSearcher(std::move(searcher)); }
    void setProgressDelay(int milliseconds) { m_runner->setProgressDelay(milliseconds); }

public slots:
    void optimiseSection(std::size_t index);
    void optimiseAll();
    void cancel() { m_runner->cancel(); }

signals:
    /// Sections have new parts: the table, the curves and the pages follow.
    void sectionsChanged();
    /// What the last run did, for the window's status line.
    void status(const QString& text);
    /// A run has ended (applied, refused or cancelled).
    void finished();

private:
    void start(std::vector<std::size_t> indices, int skippedFirstOrder);
    void runFinished();
    void report(const std::vector<SectionSearchOutcome>& outcomes);

    QWidget& m_window;
    FilterSession& m_session;
    MessageHandler m_message;
    QAction* m_sectionAction = nullptr;
    QAction* m_allAction = nullptr;
    SearchRunner* m_runner = nullptr;
    OptionsChooser m_chooseOptions;
    search::SearchOptions m_lastOptions;
    std::optional<std::size_t> m_selected;

    // The run in hand: which sections, of which design, and the first-order sections "all" left out.
    std::vector<std::size_t> m_indices;
    std::uint64_t m_designNumber = 0;
    int m_skippedFirstOrder = 0;
};

}  // namespace torvel::filter
