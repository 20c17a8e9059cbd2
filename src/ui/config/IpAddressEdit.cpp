#include "ui/config/IpAddressEdit.h"

#include <QStringList>
#include <QValidator>

namespace quillon {

namespace {

constexpr int MAX_ADDRESS_LENGTH = 15;

// Keeps the text on the way to a dotted address: anything else typed or
// pasted is refused outright.
class Ipv4Validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        if (input.size() > MAX_ADDRESS_LENGTH) {
            return Invalid;
        }
        const QStringList parts = input.split(QLatin1Char('.'));
        if (parts.size() > 4) {
            return Invalid;
        }
        bool complete = parts.size() == 4;
        for (const QString& part : parts) {
            if (part.size() > 3) {
                return Invalid;
            }
            for (const QChar c : part) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                    return Invalid;
                }
            }
            if (part.isEmpty()) {
                complete = false;
            } else if (part.toInt() > 255) {
                return Invalid;
            }
        }
        return complete ? Acceptable : Intermediate;
    }
};

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(MAX_ADDRESS_LENGTH);
    setValidator(new Ipv4Validator(this));
}

QString IpAddressEdit::addressText() const {
    return normalised(text());
}

QString IpAddressEdit::normalised(const QString& text) {
    if (text.trimmed().isEmpty()) {
        return QStringLiteral("0.0.0.0");
    }
    QString input = text;
    int position = 0;
    if (Ipv4Validator().validate(input, position) != QValidator::Acceptable) {
        return {};
    }
    QStringList octets;
    for (const QString& part : text.split(QLatin1Char('.'))) {
        octets << QString::number(part.toInt());
    }
    return octets.join(QLatin1Char('.'));
}

}  // namespace quillon
