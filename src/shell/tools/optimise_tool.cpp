#include "shell/tools/optimise_tool.h"

#include "search/optimise_command.h"
#include "shell/tools/search_options_dialog.h"
#include "shell/tools/search_texts.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <exception>

namespace torvel {

OptimiseTool::OptimiseTool(QWidget& window, DesignPanel& panel, QMenuBar& menuBar)
    : QObject(&window), m_window(window), m_panel(panel)
{
    QMenu* menu = menuBar.addMenu(QStringLiteral("設計(&D)"));
    m_action = menu->addAction(QStringLiteral("最適化(&M)..."), QKeySequence(Qt::CTRL | Qt::Key_M), this, &OptimiseTool::optimise);
    m_action->setObjectName(QStringLiteral("ActionOptimise"));
    m_chooseOptions = [this](const search::SearchOptions& last) { return askSearchOptions(m_window, last); };
    m_runner = new SearchRunner(window);
    connect(m_runner, &SearchRunner::finished, this, &OptimiseTool::searchFinished);
}

void OptimiseTool::cancel() { m_runner->cancel(); }

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
    m_action->setEnabled(false);
    m_runner->start({*request});
}

void OptimiseTool::searchFinished()
{
    m_action->setEnabled(true);
    if (m_runner->cancelled() || m_runner->results().empty()) {
        emit finished();
        return;
    }
    const search::SectionResult result = m_runner->results().front();
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
        m_table->setItem(i, 0, new QTableWidgetItem(searchValueText(v.wanted)));
        m_table->setItem(i, 1, new QTableWidgetItem(searchValueText(v.realised)));
        m_table->setItem(i, 2, new QTableWidgetItem(searchErrorText(v.errorPercent)));
    }
    m_table->setVerticalHeaderLabels(names);
    QString summary = QStringLiteral("候補 %1 件, %2 ms").arg(result.candidates).arg(result.milliseconds, 0, 'f', 0);
    if (const QString floors = searchFloorsText(result.floors); !floors.isEmpty())
        summary += QLatin1Char('\n') + floors;
    if (!result.proven)
        summary += QStringLiteral("\n時間制限で打ち切りました: それまでの最良値です。");
    m_summary->setText(summary);
    m_result->show();
    m_result->raise();
}

}  // namespace torvel
