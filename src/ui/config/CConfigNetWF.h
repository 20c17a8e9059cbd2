#pragma once

// The "WIFI" page of the configuration dialog. For now an empty page that
// holds what the dialog hands it (the device's capability bits); its
// controls and its worker come with the wireless configuration.

#include <QWidget>

namespace quillon {

class CConfigNetWF : public QWidget {
    Q_OBJECT
public:
    explicit CConfigNetWF(QWidget* parent = nullptr);

    void SetCapabilityBits(int bits) { m_capabilityBits = bits; }
    int capabilityBits() const { return m_capabilityBits; }

    // Ends the page's worker before its dialog goes. No worker yet.
    void StopWorker() {}

private:
    int m_capabilityBits = 0;
};

}  // namespace quillon
