// The main window: the Qt form of the design panel.
//
// The window only binds widgets to the design logic. Its controls are built from the window definition
// (form_definition.h); its handlers, named after the control and the event, pass each click to the
// `Designer` it owns and map the outcome back: a command that ends in a floating-point fault shows a stop
// box with the fault's text, and the window and everything the command wrote before the fault stay. The
// logic reaches the controls only through the `DesignPanel` interface, which this class implements
// (main_panel.cpp). No exception leaves a handler.
//
// Settings are read once while the window is created and written once when it closes, on every path:
// the quit button, the close box, the window menu and the window manager's close key. Closing it closes
// every other window of the program too, so the event loop ends and the program with it.
#pragma once

#include "design/designer.h"
#include "shell/printing/printer_memory.h"
#include "shell/window/form_definition.h"
#include "settings/Option.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QKeyEvent;
class QPrinter;
class QRadioButton;
class QWindow;

namespace torvel {

class DesignTools;
namespace filter {
class FilterWindow;
}

/// The print margins, in millimetres. The texts come from the settings file and go back to it
/// unchanged; the numbers are the texts read as component values (NaN when unreadable).
struct PrintMargins {
    QString LeftMarginText;
    QString TopMarginText;
    double LeftMargin = 0;
    double TopMargin = 0;
};

/// How the window shows its boxes; tests put recorders here so that no modal box can stop them.
struct MessageHandlers {
    std::function<void(const QString& text, MessageKind kind)> message;  // the panel's message boxes
    std::function<void(const QString& text)> fault;                      // a command ended by a fault
};

class TFormMain : public QWidget, public DesignPanel {
    Q_OBJECT
public:
    /// Builds every control, then runs FormCreate, which reads `settingsFile`.
    explicit TFormMain(const QString& settingsFile = SettingsFilePath(), QWidget* parent = nullptr);
    ~TFormMain() override;

    const FormControls& controls() const { return m_controls; }
    /// The menu bar's actions; the client area of the controls lies below the menu bar.
    DesignTools& tools() const { return *m_tools; }
    /// The filter design window, once the menu has opened it.
    filter::FilterWindow* filterWindow() const { return m_filterWindow.get(); }
    int menuBarHeight() const { return m_menuBarHeight; }
    const Designer& designer() const { return m_designer; }
    const PrintMargins& printMargins() const { return m_margins; }
    const QString& settingsFile() const { return m_settingsFile; }
    void setMessageHandlers(MessageHandlers handlers) { m_messages = std::move(handlers); }
    /// Replaces the print dialog; tests point the printer at a PDF file instead of asking.
    void setPrinterChooser(std::function<bool(QPrinter& printer)> chooser) { m_choosePrinter = std::move(chooser); }

    // DesignPanel
    std::string fieldText(Field field) const override;
    void setFieldText(Field field, std::string_view text) override;
    bool fieldVisible(Field field) const override;
    void setFieldVisible(Field field, bool visible) override;
    std::string fieldCaption(Field field) const override;
    std::string comboText(Combo combo) const override;
    void setComboText(Combo combo, std::string_view text) override;
    std::string labelText(Label label) const override;
    void setLabelText(Label label, std::string_view text) override;
    bool imageVisible(Image image) const override;
    void setImageVisible(Image image, bool visible) override;
    bool radioChecked(FilterType type) const override;
    void checkRadio(FilterType type) override;
    void RaiseWindow() override;
    void ProcessPendingMessages() override;
    void CenteredMessage(std::string_view text, MessageKind kind, MessageButtons buttons) override;

signals:
    /// The settings file has been written (or the attempt failed silently) while closing.
    void settingsSaved();
    /// A field's text or the checked type has changed, whoever changed it (the user, a command, or
    /// another window through the panel).
    void panelChanged();

public slots:
    void ButtonCirClick();
    void ButtonTFClick();
    void ButtonPrintClick();
    void ButtonExitClick();
    void openFilterWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void RadioButton1Click(QRadioButton* sender);
    bool LabeledEditC1KeyDown(QWidget* sender, const QKeyEvent& key);
    bool LabeledEditC1KeyPress(const QKeyEvent& key);

    void LoadSettings();
    void SaveSettings();
    void bindHandlers();
    void focusWindowChanged(QWindow* window);
    CommandOutcome runCommand(CommandOutcome (Designer::*command)());
    void placeMenuBar();
    void showFault(const QString& text);

    FormControls m_controls;
    DesignTools* m_tools = nullptr;  // child object
    std::unique_ptr<filter::FilterWindow> m_filterWindow;
    int m_menuBarHeight = 0;
    Designer m_designer{*this};
    PrintMargins m_margins;
    QString m_settingsFile;
    MessageHandlers m_messages;
    std::unique_ptr<QPrinter> m_printer;  // the printer chosen last, kept between prints
    PrinterMemory m_printerMemory;        // what the print dialog offers next time
    std::function<bool(QPrinter&)> m_choosePrinter;
    bool m_closed = false;
    bool m_activatedBefore = false;
    bool m_focusCameFromOwnWindow = false;
};

/// The one main window of the program while it exists: set as soon as its construction starts and
/// cleared when it is destroyed. The settings reach the controls through the window's own members, never
/// through this pointer.
extern TFormMain* FormMain;

}  // namespace torvel
