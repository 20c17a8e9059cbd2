#include "ui/main/DeviceListModel.h"

#include <QString>

#include "ui/main/DeviceColumns.h"

namespace quillon {

namespace {
// Device texts are 8-bit characters of any value; Latin-1 gives every byte a
// character, so nothing a device sends can fail to show.
QString fromDevice(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

DeviceListModel::DeviceListModel(const std::vector<DevInfo>& devices, QObject* parent)
    : QAbstractTableModel(parent), m_devices(devices) {}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_devices.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(DEVICE_COLUMN_COUNT);
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_devices.size() ||
        static_cast<std::size_t>(index.column()) >= DEVICE_COLUMN_COUNT) {
        return {};
    }
    const DevInfo& entry = m_devices[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return fromDevice(RowTexts(entry)[static_cast<std::size_t>(index.column())]);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        case ItemDataRole:
            return entry.wifiSupport;
        default:
            return {};
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        static_cast<std::size_t>(section) >= DEVICE_COLUMN_COUNT) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromLatin1(DEVICE_COLUMNS[static_cast<std::size_t>(section)].title);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return {};
}

void DeviceListModel::rowsRewritten() {
    if (m_devices.empty()) {
        return;
    }
    emit dataChanged(index(0, 0), index(static_cast<int>(m_devices.size()) - 1,
                                        static_cast<int>(DEVICE_COLUMN_COUNT) - 1));
}

}  // namespace quillon
