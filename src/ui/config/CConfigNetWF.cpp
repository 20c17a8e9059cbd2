#include "ui/config/CConfigNetWF.h"

namespace quillon {

CConfigNetWF::CConfigNetWF(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CConfigNetWF"));
    hide();
}

}  // namespace quillon
