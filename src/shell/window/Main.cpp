#include "shell/window/Main.h"

#include "shell/filter/filter_window.h"
#include "shell/tools/design_tools.h"
#include "shell/window/keyboard_navigation.h"
#include "shell/window/labeled_edit.h"
#include "shell/messages/message_dialogs.h"
#include "shell/printing/print_placement.h"
#include "shell/printing/window_capture.h"
#include "shell/printing/window_printer.h"
#include "values/engineering_notation.h"
#include "shell/window/version_title.h"
#include "shell/window/window_font.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

#include <exception>

namespace torvel {

TFormMain* FormMain = nullptr;

namespace {

// Runs a handler's body so that nothing it throws reaches the event loop: whatever escapes is shown the
// way the design commands show a fault, and the program goes on.
template <typename Body>
void guarded(Body body, const std::function<void(const QString&)>& showFault)
{
    try {
        body();
    } catch (const std::exception& error) {
        showFault(QString::fromUtf8(error.what()));
    } catch (...) {
        showFault(QStringLiteral("Unknown error"));
    }
}

double marginFromText(const QString& text) { return ParseEngineering(text.toStdString()); }

}  // namespace

TFormMain::TFormMain(const QString& settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_settingsFile(settingsFile)
{
    FormMain = this;
    setObjectName(QStringLiteral("FormMain"));
    setFont(windowFont());  // before the controls exist, so that every control takes it
    m_controls = buildFormControls(*this);
    m_tools = new DesignTools(*this, *this, {[this] { ButtonPrintClick(); }, [this] { ButtonExitClick(); }});
    m_tools->viewMenu()->addAction(QStringLiteral("フィルタ設計(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_F), this,
                                   &TFormMain::openFilterWindow);
    placeMenuBar();
    m_messages.message = [this](const QString& text, MessageKind kind) {
        torvel::CenteredMessage(text, kind, MessageButtons::Ok, 0, this);
    };
    m_messages.fault = [this](const QString& text) { showFaultBox(text, this); };
    m_choosePrinter = [this](QPrinter& printer) { return m_printerMemory.askForPrinter(printer, this); };
    bindHandlers();
    m_controls.edit(Field::C1)->setFocus();
    FormCreate();
}

TFormMain::~TFormMain()
{
    if (FormMain == this)
        FormMain = nullptr;
}

void TFormMain::bindHandlers()
{
    connect(m_controls.ButtonCir, &QPushButton::clicked, this, &TFormMain::ButtonCirClick);
    connect(m_controls.ButtonTF, &QPushButton::clicked, this, &TFormMain::ButtonTFClick);
    connect(m_controls.ButtonPrint, &QPushButton::clicked, this, &TFormMain::ButtonPrintClick);
    connect(m_controls.ButtonExit, &QPushButton::clicked, this, &TFormMain::ButtonExitClick);
    // Bound to toggled rather than clicked: checking a button from the logic, from the keyboard or from
    // assistive technology must run the handler as a click does.
    for (QRadioButton* radio : m_controls.radios) {
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool checked) {
            if (checked)
                RadioButton1Click(radio);
        });
    }
    for (TLabeledEdit* edit : m_controls.edits)
        edit->installEventFilter(this);
    // Every change of a field or the type is announced, so that a window following the panel reads it.
    for (TLabeledEdit* edit : m_controls.edits)
        connect(edit, &QLineEdit::textChanged, this, &TFormMain::panelChanged);
    for (QRadioButton* radio : m_controls.radios)
        connect(radio, &QRadioButton::toggled, this, &TFormMain::panelChanged);
    for (QComboBox* combo : {m_controls.ComboBoxEvalE1, m_controls.ComboBoxEvalE2}) {
        combo->installEventFilter(this);
        combo->lineEdit()->installEventFilter(this);
    }
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TFormMain::focusWindowChanged);
}

void TFormMain::FormCreate()
{
    setWindowTitle(programWindowTitle());
    setFixedSize(kClientWidth, kClientHeight + m_menuBarHeight);
    // The working type starts as LPF in the designer and RadioButton1 is already checked by the window
    // definition, so checking it again runs no handler.
    m_controls.radio(FilterType::Lpf)->setChecked(true);
    LoadSettings();
}

void TFormMain::FormActivate()
{
    // A message box that closes hands the focus back; the series combos must not come back highlighted.
    m_controls.ComboBoxEvalE1->lineEdit()->deselect();
    m_controls.ComboBoxEvalE2->lineEdit()->deselect();
    QCoreApplication::processEvents();
}

void TFormMain::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    SaveSettings();
}

void TFormMain::ButtonCirClick()
{
    if (runCommand(&Designer::synthesize).status == CommandStatus::Completed)
        m_tools->showRealised(m_designer.record(), checkedFilterType(*this));
}

void TFormMain::ButtonTFClick()
{
    // The outcome has been shown: a fault in its box, an unreadable field in its warning.
    static_cast<void>(runCommand(&Designer::analyze));
}

void TFormMain::ButtonPrintClick()
{
    guarded([&] {
        // Read again at every print; an unreadable text prints at 20 mm and keeps its content.
        m_margins.LeftMargin = printMarginFromText(m_margins.LeftMarginText.toStdString());
        m_margins.TopMargin = printMarginFromText(m_margins.TopMarginText.toStdString());
        if (!m_printer)
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PrintEnvironment environment;
        environment.choosePrinter = m_choosePrinter;
        environment.showError = [this](const QString& text) { m_messages.message(text, MessageKind::Error); };
        environment.capture = [](QWidget& window) { CaptureActiveWindow(window); };
        PrintWindowImage(*this, m_margins.LeftMargin, m_margins.TopMargin, *m_printer, environment);
    }, m_messages.fault);
}

void TFormMain::ButtonExitClick() { close(); }

void TFormMain::openFilterWindow()
{
    guarded([&] {
        if (!m_filterWindow) {
            m_filterWindow = std::make_unique<filter::FilterWindow>(*this);
            connect(this, &TFormMain::panelChanged, m_filterWindow.get(), &filter::FilterWindow::mainPanelChanged);
        }
        m_filterWindow->show();
        m_filterWindow->raise();
        m_filterWindow->activateWindow();
    }, m_messages.fault);
}

void TFormMain::RadioButton1Click(QRadioButton* sender)
{
    guarded([&] {
        for (FilterType type : kAllFilterTypes) {
            if (m_controls.radio(type) == sender)
                m_designer.RadioButton1Click(type);
        }
        moveTypeTabStop(m_controls);
    }, m_messages.fault);
}

bool TFormMain::LabeledEditC1KeyDown(QWidget* sender, const QKeyEvent& key)
{
    const std::optional<Step> step = navigationStepForKey(key.key());
    if (!step)
        return false;
    std::vector<QWidget*> stops = m_controls.navigationStops;
    for (QWidget*& stop : stops) {
        if (stop == m_controls.GroupBoxType)
            stop = m_controls.radio(checkedFilterType(*this));
    }
    std::vector<bool> canTakeFocus;
    int current = -1;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        QWidget* stop = stops[i];
        canTakeFocus.push_back(stop->isVisibleTo(this) && stop->isEnabled() && (stop->focusPolicy() & Qt::TabFocus));
        if (stop == sender)
            current = static_cast<int>(i);
    }
    const int target = steppedIndex(canTakeFocus, current, *step);
    if (target != current)
        stops[static_cast<std::size_t>(target)]->setFocus(*step == Step::Next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool TFormMain::LabeledEditC1KeyPress(const QKeyEvent& key) { return isCarriageReturn(key); }

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto& key = *static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool valueBox = qobject_cast<TLabeledEdit*>(watched) && watched != m_controls.edit(Field::Zval);
    if (valueBox && LabeledEditC1KeyDown(widget, key))
        return true;
    if (LabeledEditC1KeyPress(key))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    // Closing the main window ends the program: every other window of it (the response window) closes
    // with it, so that none keeps the process going with no way back to the main window.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
}

void TFormMain::focusWindowChanged(QWindow* window)
{
    // The window counts as activated when it first gets the focus and whenever the focus comes back
    // from another window of the program (a message box), not when the user returns from another program.
    if (window && window == windowHandle()) {
        if (!m_activatedBefore || m_focusCameFromOwnWindow)
            QMetaObject::invokeMethod(this, &TFormMain::FormActivate, Qt::QueuedConnection);
        m_activatedBefore = true;
        m_focusCameFromOwnWindow = false;
    } else {
        m_focusCameFromOwnWindow = window != nullptr;
    }
}

CommandOutcome TFormMain::runCommand(CommandOutcome (Designer::*command)())
{
    CommandOutcome outcome{CommandStatus::Fault, {}};
    guarded([&] {
        outcome = (m_designer.*command)();
        if (outcome.status == CommandStatus::Fault)
            showFault(QString::fromStdString(outcome.faultText));
    }, m_messages.fault);
    return outcome;
}

void TFormMain::placeMenuBar()
{
    // The menu bar goes above the client area; every control keeps its place relative to the area below.
    QMenuBar* menu = m_tools->menuBar();
    m_menuBarHeight = menu->sizeHint().height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != menu && child != m_tools->realisedLabel() && !child->isWindow())
            child->move(child->pos() + QPoint(0, m_menuBarHeight));
    m_tools->placeMenuStrip(kClientWidth, m_menuBarHeight);
}

void TFormMain::showFault(const QString& text) { m_messages.fault(text); }

void TFormMain::LoadSettings()
{
    SettingsTexts texts{m_controls.ComboBoxEvalE1->currentText(), m_controls.ComboBoxEvalE2->currentText(),
                        m_controls.edit(Field::Zval)->text(), m_margins.LeftMarginText, m_margins.TopMarginText};
    if (!torvel::LoadSettings(m_settingsFile, texts))
        return;
    m_controls.ComboBoxEvalE1->setEditText(texts.resistorSeries);
    m_controls.ComboBoxEvalE2->setEditText(texts.capacitorSeries);
    m_controls.edit(Field::Zval)->setText(texts.impedance);
    m_margins.LeftMarginText = texts.leftMargin;
    m_margins.TopMarginText = texts.topMargin;
    m_margins.LeftMargin = marginFromText(m_margins.LeftMarginText);
    m_margins.TopMargin = marginFromText(m_margins.TopMarginText);
}

void TFormMain::SaveSettings()
{
    torvel::SaveSettings(m_settingsFile, {m_controls.ComboBoxEvalE1->currentText(), m_controls.ComboBoxEvalE2->currentText(),
                                          m_controls.edit(Field::Zval)->text(), m_margins.LeftMarginText,
                                          m_margins.TopMarginText});
    emit settingsSaved();
}

}  // namespace torvel
