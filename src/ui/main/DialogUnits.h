#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <algorithm>

namespace quillon {

// Dialog units scale with the dialog font as on the original platform: a
// horizontal unit is a quarter of the font's average letter width, a
// vertical one an eighth of its height. Layouts given in them keep their
// proportions at any font size.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        const int alphabet = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_baseX = std::max(1, (alphabet / 26 + 1) / 2);
        m_baseY = std::max(1, metrics.height());
    }
    int x(int units) const { return (units * m_baseX + 2) / 4; }
    int y(int units) const { return (units * m_baseY + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return {x(left), y(top), x(width), y(height)};
    }
    QRect rect(const QRect& units) const {
        return rect(units.x(), units.y(), units.width(), units.height());
    }

private:
    int m_baseX = 1;
    int m_baseY = 1;
};

}  // namespace quillon
