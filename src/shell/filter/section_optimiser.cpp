#include "shell/filter/section_optimiser.h"

#include "shell/filter/filter_session.h"
#include "shell/tools/search_options_dialog.h"

#include <QAction>
#include <QStringList>
#include <QWidget>

#include <cstdio>
#include <exception>

namespace torvel::filter {
namespace {

QString sectionName(std::size_t index) { return QStringLiteral("第%1段").arg(index + 1); }

QString percent(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f %%", value);
    return QString::fromLatin1(text);
}

QString firstOrderNote(int skipped)
{
    return skipped == 0 ? QString() : QStringLiteral("1次の段 (%1段) は2次の段ではないため対象外です。").arg(skipped);
}

}  // namespace

SectionOptimiser::SectionOptimiser(QWidget& window, FilterSession& session, MessageHandler message)
    : QObject(&window), m_window(window), m_session(session), m_message(std::move(message))
{
    m_sectionAction = new QAction(QStringLiteral("最適化"), this);
    m_sectionAction->setObjectName(QStringLiteral("OptimiseSection"));
    m_sectionAction->setToolTip(QStringLiteral("選んだ段の部品を、指定の H, fo, Q (fn) に最も近くなるE系列の値で選び直します"));
    m_allAction = new QAction(QStringLiteral("全段を最適化"), this);
    m_allAction->setObjectName(QStringLiteral("OptimiseAllSections"));
    m_allAction->setToolTip(QStringLiteral("2次の段すべての部品を、指定の値に最も近くなるE系列の値で選び直します"));
    connect(m_allAction, &QAction::triggered, this, &SectionOptimiser::optimiseAll);
    connect(m_sectionAction, &QAction::triggered, this, [this] {
        if (m_selected)
            optimiseSection(*m_selected);
    });
    m_chooseOptions = [this](const search::SearchOptions& last) { return askSearchOptions(m_window, last); };
    m_runner = new SearchRunner(window);
    connect(m_runner, &SearchRunner::finished, this, &SectionOptimiser::runFinished);
}

void SectionOptimiser::updateActions(std::optional<std::size_t> selected)
{
    m_selected = selected;
    const auto& c = m_session.cascade();
    const bool idle = !running();
    const bool secondOrder = c && selected && *selected < c->sections.size() && !c->sections[*selected].circuit.isFirstOrder();
    m_sectionAction->setEnabled(idle && secondOrder);
    m_allAction->setEnabled(idle && c.has_value());
}

void SectionOptimiser::optimiseSection(std::size_t index)
{
    const auto& c = m_session.cascade();
    if (!c || index >= c->sections.size())
        return;
    if (c->sections[index].circuit.isFirstOrder()) {
        m_message(sectionName(index) + QStringLiteral("は1次の段です。最適化は2次の段だけが対象です"), MessageKind::Information);
        return;
    }
    start({index}, 0);
}

void SectionOptimiser::optimiseAll()
{
    const auto& c = m_session.cascade();
    if (!c)
        return;
    std::vector<std::size_t> indices;
    int firstOrder = 0;
    for (std::size_t k = 0; k < c->sections.size(); ++k) {
        if (c->sections[k].circuit.isFirstOrder())
            ++firstOrder;
        else
            indices.push_back(k);
    }
    if (indices.empty()) {
        m_message(QStringLiteral("最適化できる2次の段がありません。") + firstOrderNote(firstOrder), MessageKind::Information);
        return;
    }
    start(std::move(indices), firstOrder);
}

void SectionOptimiser::start(std::vector<std::size_t> indices, int skippedFirstOrder)
{
    if (running())
        return;
    const cascade::Cascade& c = *m_session.cascade();
    const cascade::PartValues parts = cascade::readPartSettings(c.request.parts);
    // "∞" builds with unrounded values: there is no series to choose parts from.
    if (parts.resistorSeries == 0 || parts.capacitorSeries == 0) {
        m_message(QStringLiteral("E系列が ∞ (丸めなし) のときは最適化できません。抵抗とコンデンサのE系列を選んでください"),
                  MessageKind::Information);
        return;
    }
    std::vector<search::SectionRequest> requests;
    QStringList steps;
    try {
        const std::optional<search::SearchOptions> options = m_chooseOptions(m_lastOptions);
        if (!options)
            return;
        m_lastOptions = *options;
        for (std::size_t i = 0; i < indices.size(); ++i) {
            requests.push_back(*searchRequestOf(c.sections[indices[i]], c.request.parts, *options));
            steps << QStringLiteral("%1を最適化しています... (%2 / %3)").arg(sectionName(indices[i])).arg(i + 1).arg(indices.size());
        }
    } catch (const std::exception& error) {
        m_message(QStringLiteral("内部エラー: ") + QString::fromUtf8(error.what()), MessageKind::Error);
        return;
    }
    m_indices = std::move(indices);
    m_designNumber = m_session.designNumber();
    m_skippedFirstOrder = skippedFirstOrder;
    m_runner->start(std::move(requests), steps);
    updateActions(m_selected);
}

void SectionOptimiser::runFinished()
{
    updateActions(m_selected);
    if (m_runner->cancelled()) {
        emit status(QStringLiteral("最適化を中止しました。どの段の部品も変えていません"));
    } else if (m_session.designNumber() != m_designNumber || !m_session.cascade()) {
        emit status(QStringLiteral("最適化の間に設計が変わったため、結果は使いませんでした"));
    } else {
        try {
            report(m_session.applySearch(m_indices, m_runner->results()));
        } catch (const std::exception& error) {
            m_message(QStringLiteral("内部エラー: ") + QString::fromUtf8(error.what()), MessageKind::Error);
        }
    }
    updateActions(m_selected);
    emit finished();
}

void SectionOptimiser::report(const std::vector<SectionSearchOutcome>& outcomes)
{
    QStringList replaced;
    QStringList kept;
    for (const SectionSearchOutcome& o : outcomes) {
        switch (o.verdict) {
        case SectionSearchVerdict::Replaced:
            replaced << QStringLiteral("%1 最大誤差 %2 → %3").arg(sectionName(o.index), percent(o.errorBeforePercent), percent(o.errorAfterPercent));
            break;
        case SectionSearchVerdict::NoSolution:
            kept << sectionName(o.index) + QStringLiteral(": 許容範囲の部品では実現できません。部品は元のままです。(")
                    + QString::fromStdString(o.reason) + QStringLiteral(")");
            break;
        case SectionSearchVerdict::NotCloser:
            kept << sectionName(o.index) + QStringLiteral(": 今の部品の方が指定に近いため (最大誤差 %1, 探索の最良は %2) 元のままです。")
                        .arg(percent(o.errorBeforePercent), percent(o.errorAfterPercent));
            break;
        }
    }
    if (!replaced.isEmpty())
        emit sectionsChanged();
    QString text = replaced.isEmpty() ? QStringLiteral("最適化で部品を変えた段はありません")
                                      : QStringLiteral("最適化しました: ") + replaced.join(QStringLiteral(", "));
    if (m_skippedFirstOrder > 0)
        text += QStringLiteral("  ") + firstOrderNote(m_skippedFirstOrder);
    emit status(text);
    if (!kept.isEmpty())
        m_message(QStringLiteral("最適化: ") + kept.join(QStringLiteral("\n")), MessageKind::Warning);
}

}  // namespace torvel::filter
