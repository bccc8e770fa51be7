#include "shell/tools/design_tools.h"

#include "design/design_file.h"
#include "design/reading.h"
#include "design/realised_values.h"
#include "design/spice_netlist.h"
#include "files/atomic_write.h"
#include "files/bounded_read.h"
#include "shell/tools/design_file_messages.h"
#include "opamp/precorrection_command.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/optimise_tool.h"
#include "shell/tools/response_window.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>

#include <algorithm>

namespace torvel {
namespace {

std::string toStd(const QByteArray& bytes) { return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())); }

// The path as the system names the file (the file names' own encoding, UTF-8 here).
std::string systemPath(const QString& path) { return toStd(QFile::encodeName(path)); }

}  // namespace

DesignTools::DesignTools(QWidget& window, DesignPanel& panel, WindowCommands commands)
    : QObject(&window), m_window(window), m_panel(panel), m_commands(std::move(commands))
{
    m_menuBar = new QMenuBar(&window);
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    QMenu* file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("設計を開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), this, &DesignTools::openDesign);
    file->addAction(QStringLiteral("設計を保存(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_S), this, &DesignTools::saveDesignAs);
    file->addSeparator();
    file->addAction(QStringLiteral("SPICEネットリスト書き出し(&N)..."), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                    &DesignTools::exportNetlist);
    file->addAction(QStringLiteral("部品表CSV書き出し(&B)..."), QKeySequence(Qt::CTRL | Qt::Key_B), this,
                    &DesignTools::exportBillOfMaterials);
    file->addSeparator();
    file->addAction(QStringLiteral("印刷(&P)"), QKeySequence(Qt::CTRL | Qt::Key_P), this, [this] { m_commands.print(); });
    file->addAction(QStringLiteral("終了(&X)"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, [this] { m_commands.quit(); });
    QMenu* view = m_menuBar->addMenu(QStringLiteral("表示(&V)"));
    view->addAction(QStringLiteral("周波数特性(&R)..."), QKeySequence(Qt::CTRL | Qt::Key_R), this,
                    &DesignTools::openResponseWindow);
    m_view = view;
    m_optimise = new OptimiseTool(window, panel, *m_menuBar);

    // Not the menu bar's corner widget: a corner widget keeps the width it had when the bar was laid
    // out (a blank one, one character wide later), and screen readers see a menu bar's menus only.
    m_realised = new QLabel(&window);
    m_realised->setObjectName(QStringLiteral("RealisedValues"));
    m_realised->setTextFormat(Qt::PlainText);
    m_realised->setContentsMargins(0, 0, 8, 0);
    m_realised->setAccessibleName(QStringLiteral("実現値の誤差"));

    m_choosePath = [this](const QString& title, const QString& filter, bool save) {
        return save ? QFileDialog::getSaveFileName(&m_window, title, QString(), filter)
                    : QFileDialog::getOpenFileName(&m_window, title, QString(), filter);
    };
}

DesignTools::~DesignTools() = default;

void DesignTools::showRealised(const DesignRecord& record, FilterType type)
{
    const RealisedValues values = realisedValues(record, type);
    QStringList parts;
    QStringList details;
    for (int i = 0; i < values.count; ++i) {
        const RealisedValue& v = values.values[static_cast<std::size_t>(i)];
        const QString name = QString::fromLatin1(v.name.data(), static_cast<qsizetype>(v.name.size()));
        parts << QStringLiteral("%1 %2%").arg(name, QString::fromStdString(errorPercentText(v.errorPercent, 2, false)));
        details << QStringLiteral("%1: 指定 %2 → 実現 %3 (%4%)")
                       .arg(name)
                       .arg(v.wanted, 0, 'g', 6)
                       .arg(v.realised, 0, 'g', 6)
                       .arg(QString::fromStdString(errorPercentText(v.errorPercent, 3, false)));
    }
    const QString summary = QStringLiteral("実現値の誤差: ") + parts.join(QStringLiteral("  "));
    m_realised->setText(summary);
    m_realised->setToolTip(details.join('\n'));
    // Read out as the name; the details of the tooltip, which a screen reader cannot hover, as description.
    m_realised->setAccessibleName(summary);
    m_realised->setAccessibleDescription(details.join('\n'));
    layOutMenuStrip();
}

void DesignTools::placeMenuStrip(int width, int height)
{
    m_strip = QSize(width, height);
    layOutMenuStrip();
}

void DesignTools::layOutMenuStrip()
{
    const int labelWidth = std::min(m_realised->sizeHint().width(), m_strip.width());
    m_menuBar->setGeometry(0, 0, m_strip.width() - labelWidth, m_strip.height());
    m_realised->setGeometry(m_strip.width() - labelWidth, 0, labelWidth, m_strip.height());
}

void DesignTools::openResponseWindow()
{
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(m_panel);
    if (!parts)
        return;  // the unreadable field has been reported
    if (!m_response) {
        m_response = std::make_unique<ResponseWindow>();
        connect(m_response.get(), &ResponseWindow::precorrectionRequested, this, &DesignTools::precorrect);
    }
    m_response->showCircuit(*parts, checkedFilterType(m_panel));
    m_response->show();
    m_response->raise();
    m_response->activateWindow();
}

void DesignTools::precorrect()
{
    OpAmpControls* controls = m_response->opAmpControls();
    const PrecorrectionOutcome outcome = runPrecorrection(m_panel, controls->spec().model());
    if (outcome.command.status == CommandStatus::Fault)
        m_panel.CenteredMessage(outcome.command.faultText, MessageKind::Error, MessageButtons::Ok);
    if (outcome.corrected()) {
        // The response of the elements as the panel now shows them.
        if (const std::optional<CircuitComponents> parts = ReadCircuitComponents(m_panel))
            m_response->showCircuit(*parts, checkedFilterType(m_panel));
    }
    controls->showPrecorrection(outcome);
}

void DesignTools::openDesign()
{
    const QString path = m_choosePath(QStringLiteral("設計を開く"), QStringLiteral("Torvel 設計 (*.json)"), false);
    if (path.isEmpty())
        return;
    // Read as torvel-cli reads it: a regular file of at most 1 MB, so a FIFO or a device chosen by mistake
    // is refused at once instead of hanging the window or filling its memory.
    const FileReadOutcome file = readRegularFile(systemPath(path), kDesignFileMaxBytes);
    QString reason;
    if (!file.done())
        reason = unreadableFileReason(file);
    else if (const std::optional<DesignFileRefusal> refused = loadDesignFile(m_panel, file.bytes))
        reason = japaneseReason(*refused);
    if (!reason.isEmpty())
        m_panel.CenteredMessage(toStd(designFileRefusedMessage(path, reason).toUtf8()), MessageKind::Error,
                                 MessageButtons::Ok);
}

void DesignTools::saveDesignAs()
{
    const QString path = m_choosePath(QStringLiteral("設計を保存"), QStringLiteral("Torvel 設計 (*.json)"), true);
    if (!path.isEmpty())
        writeText(path, saveDesign(m_panel));
}

void DesignTools::exportNetlist()
{
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(m_panel);
    if (!parts)
        return;
    const QString path = m_choosePath(QStringLiteral("SPICEネットリスト書き出し"), QStringLiteral("SPICE (*.cir)"), true);
    if (!path.isEmpty())
        writeText(path, spiceNetlist(*parts, checkedFilterType(m_panel), OpAmpNetlistForm::Subcircuit, 10, 100e3, {},
                                     m_optimise->partsDescription()));
}

void DesignTools::exportBillOfMaterials()
{
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(m_panel);
    if (!parts)
        return;
    const QString path = m_choosePath(QStringLiteral("部品表CSV書き出し"), QStringLiteral("CSV (*.csv)"), true);
    if (path.isEmpty())
        return;
    const auto [resistors, capacitors] = ReadSeriesSizes(m_panel);
    writeText(path, billOfMaterials(*parts, checkedFilterType(m_panel), resistors, capacitors, m_optimise->partsDescription()));
}

bool DesignTools::writeText(const QString& path, const std::string& text)
{
    // All or nothing, as torvel-cli writes: the file on the disk is the old one until the new one is
    // complete. A failure is said in a box; the window keeps everything it holds.
    const FileWriteOutcome written = replaceFile(systemPath(path), text);
    if (!written.done())
        m_panel.CenteredMessage(toStd((path + QStringLiteral(": 書き込めません")).toUtf8()) + " (" + written.reason + ")",
                                 MessageKind::Error, MessageButtons::Ok);
    return written.done();
}

}  // namespace torvel
