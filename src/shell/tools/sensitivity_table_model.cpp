#include "shell/tools/sensitivity_table_model.h"

#include <cmath>

namespace torvel {

using tolerance::Figure;

SensitivityTableModel::SensitivityTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SensitivityTableModel::setSensitivities(const tolerance::SectionSensitivities& sensitivities)
{
    beginResetModel();
    m_sensitivities = sensitivities;
    endResetModel();
}

int SensitivityTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_sensitivities.rows.size());
}

int SensitivityTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

double SensitivityTableModel::value(int row, int column) const
{
    const tolerance::SensitivityRow& r = m_sensitivities.rows[static_cast<std::size_t>(row)];
    switch (column) {
    case Fo: return r.of(Figure::Fo);
    case Q: return r.of(Figure::Q);
    case H: return r.of(Figure::H);
    case Fn: return r.of(Figure::Fn);
    case Level: return r.level;
    default: return std::nan("");
    }
}

QVariant SensitivityTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const tolerance::SensitivityRow& row = m_sensitivities.rows[static_cast<std::size_t>(index.row())];
    if (index.column() == Part) {
        if (role == Qt::DisplayRole)
            return QString::fromLatin1(tolerance::partName(row.slot).data(), static_cast<qsizetype>(tolerance::partName(row.slot).size()));
        if (role == SortRole)
            return index.row();
        return {};
    }
    const double s = value(index.row(), index.column());
    switch (role) {
    // What rounds to zero shows as 0.0000, not as "-0.0000" from a rounding error's sign.
    case Qt::DisplayRole: return std::isnan(s) ? QStringLiteral("—") : QString::number(std::abs(s) < 5e-5 ? 0.0 : s, 'f', 4);
    case SortRole: return std::isnan(s) ? -1.0 : std::abs(s);
    case ValueRole: return s;
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant SensitivityTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section != Part)
        return QStringLiteral("感度 S = (Δy/y) / (Δx/x): 部品が 1 % 変わると y が S % 変わる");
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Part: return QStringLiteral("部品");
    case Fo: return QStringLiteral("S(fo)");
    case Q: return QStringLiteral("S(Q)");
    case H: return QStringLiteral("S(H)");
    case Fn: return QStringLiteral("S(fn)");
    case Level:
        return m_sensitivities.levelFrequencyHz ? QStringLiteral("S(|出力| @%1Hz)").arg(*m_sensitivities.levelFrequencyHz, 0, 'g', 4)
                                                : QStringLiteral("S(|出力|)");
    default: return {};
    }
}

}  // namespace torvel
