#include "shell/filter/section_table_model.h"

#include "shell/filter/section_rows.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace torvel::filter {

SectionTableModel::SectionTableModel(const FilterSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session)
{
}

int SectionTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_session.cascade())
        return 0;
    return static_cast<int>(m_session.cascade()->sections.size());
}

int SectionTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSectionColumnCount; }

QVariant SectionTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const cascade::BuiltSection& section = m_session.cascade()->sections[row];
    const bool edited = m_session.sectionEdited(row);
    const bool linked = m_session.linkedSection() == row;
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(sectionCell(section, index.row(), edited, index.column()));
    case Qt::TextAlignmentRole:
        return index.column() <= static_cast<int>(SectionColumn::Type) ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                                     : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return edited ? QVariant(QBrush(QColor(255, 244, 200))) : QVariant();
    case Qt::FontRole: {
        if (!linked)
            return {};
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::ToolTipRole: {
        QStringList tips;
        if (section.circuit.isFirstOrder())
            tips << QStringLiteral("1次の段 (オペアンプ1個) は本体ウィンドウに対応する種類がないため、この表でのみ扱います");
        if (linked)
            tips << QStringLiteral("本体ウィンドウで開いています。そこでの部品の変更がこの段に反映されます");
        if (edited)
            tips << QStringLiteral("部品が設計値から変更されています (*)");
        return tips.isEmpty() ? QVariant() : QVariant(tips.join('\n'));
    }
    default: return {};
    }
}

QVariant SectionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(sectionHeader(section));
    if (role == Qt::ToolTipRole && section == static_cast<int>(SectionColumn::H))
        return QStringLiteral("段の利得 (その種類の意味で: LPF は直流, HPF は高域, BPF は fo での利得)");
    return {};
}

void SectionTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

}  // namespace torvel::filter
