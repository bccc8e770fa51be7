// The sections of the whole filter as a Qt table model: one row per section in cascade order, the
// columns of section_rows.h. The model reads the session it is given; refresh() after every change.
#pragma once

#include "shell/filter/filter_session.h"

#include <QAbstractTableModel>

namespace torvel::filter {

class SectionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SectionTableModel(const FilterSession& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /// The session's sections have been replaced or changed.
    void refresh();

private:
    const FilterSession& m_session;
};

}  // namespace torvel::filter
