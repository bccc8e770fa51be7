// What the window offers beyond its two calculations, from a menu bar above the client area: the
// response window, design files, netlist and parts-list export, print and exit, and the realised values
// of the last synthesis shown at the right end of the menu bar's strip. None of it changes what the controls below
// the menu bar do.
#pragma once

#include "design/design_panel.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

namespace torvel {

class OptimiseTool;
class ResponseWindow;

/// What the menu asks of the window that owns it besides its design panel.
struct WindowCommands {
    std::function<void()> print;  // the print button's command
    std::function<void()> quit;   // the quit button's command
};

class DesignTools : public QObject {
    Q_OBJECT
public:
    /// `window` parents the menu bar and the dialogs; `panel` is the same window seen by the logic.
    DesignTools(QWidget& window, DesignPanel& panel, WindowCommands commands);
    ~DesignTools() override;

    QMenuBar* menuBar() const { return m_menuBar; }
    QLabel* realisedLabel() const { return m_realised; }
    /// The view menu, where the windows beside the main one are opened.
    QMenu* viewMenu() const { return m_view; }
    ResponseWindow* responseWindow() const { return m_response.get(); }
    OptimiseTool& optimiseTool() const { return *m_optimise; }

    /// After a completed synthesis: wanted and realised H, fo, Q (fn) with the error in %.
    void showRealised(const DesignRecord& record, FilterType type);

    /// Lays out the strip above the controls, `width` x `height` at the window's top: the menus from
    /// the left, the realised values at the right end, as wide as their text.
    void placeMenuStrip(int width, int height);

    /// Replaces the file dialogs; tests give a path instead of asking. `save` tells which dialog.
    using PathChooser = std::function<QString(const QString& title, const QString& filter, bool save)>;
    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }

public slots:
    void openResponseWindow();
    void openDesign();
    void saveDesignAs();
    void exportNetlist();
    void exportBillOfMaterials();
    /// The response window's pre-correction button: corrects the synthesis for the chosen op-amp, writes
    /// the elements and shows the corrected circuit's response.
    void precorrect();

private:
    bool writeText(const QString& path, const std::string& text);
    void layOutMenuStrip();

    QWidget& m_window;
    DesignPanel& m_panel;
    WindowCommands m_commands;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_view = nullptr;
    QLabel* m_realised = nullptr;  // a control of the window beside the menu bar, so screen readers find it
    QSize m_strip;
    std::unique_ptr<ResponseWindow> m_response;
    OptimiseTool* m_optimise = nullptr;  // child object: the 最適化 command
    PathChooser m_choosePath;
};

}  // namespace torvel
