#pragma once

// The IP address control: one line taking a dotted IPv4 address. It accepts
// only digits and dots that can still become an address (four numbers of at
// most three digits, each up to 255), and reads back the address in plain
// form; a blank control reads "0.0.0.0".

#include <QLineEdit>
#include <QString>

namespace quillon {

class IpAddressEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // "a.b.c.d" without leading zeros; "0.0.0.0" when blank; empty when what
    // was typed is not yet a whole address (such as "10.1").
    QString addressText() const;

    // The address of text as addressText reads it (for the control and tests).
    static QString normalised(const QString& text);
};

}  // namespace quillon
