// "フィルタ設計": a whole filter from a request or a tolerance mask down to its parts, beside the
// calculator's main window.
//
// The window only binds widgets. The request boxes are read by filter_request_form.h, the last good design
// and the calculator link live in FilterSession, the curves come from filter_curves.h and the charts from
// filter_charts.h. Typing in any box redesigns after a short pause, without a button; a request that
// cannot be designed shows what is wrong next to its box and leaves the last design on screen.
//
// A second-order section opens in the main window's panel (through DesignPanel, as any front end sees
// it). While it is open there, every change to the panel (announced by mainPanelChanged()) is read back
// and the whole filter is recomputed from that section's new parts.
//
// Below the GBW box the op-amp of every section is chosen (a built-in part or typed figures) with an input
// amplitude; FilterAnalyses checks every op-amp output along the cascade against it and fills the noise
// and tolerance pages, which follow each new design.
//
// 最適化 (SectionOptimiser) searches E-series values for the selected second-order section, or for all of
// them, and gives the sections the parts it finds; the table, the curves, the pages and the exports then
// show those parts, until a new design replaces them.
//
// Room to grow: further pages go in as tabs with addPage(); further actions on one section go in with
// addSectionAction(), which puts them beside "本体ウィンドウで開く" and in the table's context menu, enabled
// while a section is selected; selectedSection() tells them which.
#pragma once

#include "shell/filter/filter_curves.h"
#include "shell/filter/filter_request_form.h"
#include "shell/filter/filter_session.h"

#include "design/design_panel.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QButtonGroup;
class QChartView;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenuBar;
class QTabWidget;
class QTableView;

namespace torvel::filter {

class FilterAnalyses;
class SectionOptimiser;
class SectionTableModel;

class FilterWindow : public QWidget {
    Q_OBJECT
public:
    /// `mainPanel` is the calculator's window; its series and impedance are the starting values.
    explicit FilterWindow(DesignPanel& mainPanel, QWidget* parent = nullptr);
    ~FilterWindow() override;

    const FilterSession& session() const { return m_session; }
    const FilterCurves& curves() const { return m_curves; }
    QLineEdit* box(RequestBox which) const { return m_boxes[static_cast<std::size_t>(which)].edit; }
    QLabel* boxError(RequestBox which) const { return m_boxes[static_cast<std::size_t>(which)].error; }
    QLabel* generalError() const { return m_generalError; }
    QLineEdit* gainBandwidthBox() const { return m_gbw; }
    QTableView* sectionTable() const { return m_table; }
    QTabWidget* pages() const { return m_tabs; }
    QChartView* chartView(int index) const { return m_charts[static_cast<std::size_t>(index)]; }
    /// The op-amp row, its checks, the noise and the tolerance pages.
    FilterAnalyses* analyses() const { return m_analyses; }

    /// 最適化 of the selected section and of all sections.
    SectionOptimiser* optimiser() const { return m_optimiser; }

    /// The section selected in the table, if any.
    std::optional<std::size_t> selectedSection() const;

    /// A page of its own beside the charts.
    void addPage(QWidget* page, const QString& title);
    /// An action on the selected section.
    void addSectionAction(QAction* action);

    /// Replaces the file dialogs; tests give a path instead of asking. `save` tells which dialog.
    using PathChooser = std::function<QString(const QString& title, const QString& filter, bool save)>;
    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }
    /// Replaces the message boxes; tests record them instead.
    void setMessageHandler(std::function<void(const QString& text, MessageKind kind)> handler) { m_message = std::move(handler); }

    /// Whether typing has started a redesign (or a recomputation) that has not run yet.
    /// (The op-amp checks and the noise page have their own: analyses()->workPending().)
    bool workPending() const { return m_redesignTimer.isActive() || m_curvesTimer.isActive() || m_followTimer.isActive(); }

public slots:
    /// The calculator's panel has changed (a field's text, a type, a command's results).
    void mainPanelChanged();
    /// Reads the request and designs it now.
    void redesign();
    /// Draws the current design again with the op-amps of the GBW box.
    void recomputeCurves();
    /// Opens the selected section in the calculator's panel.
    void openSelectedSection();
    void openFilter();
    void saveFilterAs();
    void exportNetlist();
    void exportBillOfMaterials();
    void saveChartAs();

private:
    struct Box {
        QLabel* caption = nullptr;
        QLineEdit* edit = nullptr;
        QComboBox* combo = nullptr;  // the series boxes
        QLabel* error = nullptr;
    };

    QWidget* buildRequestPanel();
    QWidget* buildChartPages();
    QWidget* buildSectionPanel();
    void buildMenu();
    void addBox(QGridLayout* grid, RequestBox which, const QString& objectName, QWidget* input, QLineEdit* edit);

    RequestTexts requestTexts() const;
    void showRequestTexts(const RequestTexts& texts);
    void requestShapeChanged();
    void updateBoxStates();
    void showErrors(const Redesign& outcome);
    void showDesign();
    void drawChart(int page);
    void refreshTable();
    /// Whether there is a design to export; says so when there is none.
    bool designShown();
    void followMainPanel();
    void updateSectionActions();
    void showLinkStatus(const QString& text);
    void writeExport(const QString& title, const QString& filter, const std::string& text);
    void message(const QString& text, MessageKind kind);
    void guarded(const std::function<void()>& body);

    DesignPanel& m_mainPanel;
    FilterSession m_session;
    FilterCurves m_curves;
    OpAmpModel m_opAmp;

    QMenuBar* m_menuBar = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_approximation = nullptr;
    QButtonGroup* m_mode = nullptr;
    std::array<Box, kRequestBoxCount> m_boxes{};
    QLabel* m_generalError = nullptr;
    QLineEdit* m_gbw = nullptr;
    QLabel* m_gbwError = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_linkStatus = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<QChartView*, 4> m_charts{};  // magnitude, phase, group delay, op-amp levels
    std::array<bool, 4> m_chartStale{};     // the curves have changed since the chart was drawn
    QTableView* m_table = nullptr;
    SectionTableModel* m_model = nullptr;
    FilterAnalyses* m_analyses = nullptr;
    SectionOptimiser* m_optimiser = nullptr;
    QHBoxLayout* m_sectionActionRow = nullptr;
    QAction* m_openSection = nullptr;
    QList<QAction*> m_sectionActions;

    QTimer m_redesignTimer;  // typing in a request box
    QTimer m_curvesTimer;    // typing in the GBW box
    QTimer m_followTimer;    // the calculator's panel changing, often several fields at once
    bool m_showingTexts = false;  // the boxes are being filled by the program, not typed in
    PathChooser m_choosePath;
    std::function<void(const QString&, MessageKind)> m_message;
};

}  // namespace torvel::filter
