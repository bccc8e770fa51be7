// The sensitivity table of one section: a row per part, a column per figure (and the level at one
// frequency), the most important part first. Sorting by a column sorts by |S| (SortRole).
#pragma once

#include "tolerance/sensitivity.h"

#include <QAbstractTableModel>

namespace torvel {

class SensitivityTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// |S| of a figure column, the original rank in the part column: what a sort compares.
    static constexpr int SortRole = Qt::UserRole;
    /// The sensitivity itself, NaN where the section lacks the figure.
    static constexpr int ValueRole = Qt::UserRole + 1;

    enum Column { Part, Fo, Q, H, Fn, Level, ColumnCount };

    explicit SensitivityTableModel(QObject* parent = nullptr);

    void setSensitivities(const tolerance::SectionSensitivities& sensitivities);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    double value(int row, int column) const;

    tolerance::SectionSensitivities m_sensitivities;
};

}  // namespace torvel
