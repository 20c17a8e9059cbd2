#pragma once

// The device list's rows, read straight from the window's device table: row i
// is entry i. Cells are built from RowTexts only when the view asks for them,
// so thousands of devices cost nothing until they are scrolled into view.

#include <QAbstractTableModel>
#include <vector>

#include "discovery/DevInfo.h"

namespace quillon {

class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The row's data role: the entry's wifiSupport value.
    static constexpr int ItemDataRole = Qt::UserRole;

    DeviceListModel(const std::vector<DevInfo>& devices, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Call around any change of the table's size: the view forgets every row.
    void beginRefill() { beginResetModel(); }
    void endRefill() { endResetModel(); }
    // Every row's texts changed in place; selection and focus stay.
    void rowsRewritten();

private:
    const std::vector<DevInfo>& m_devices;
};

}  // namespace quillon
