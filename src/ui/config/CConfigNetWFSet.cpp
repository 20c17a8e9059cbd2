#include "ui/config/CConfigNetWFSet.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "net/WifiJoinRecord.h"
#include "ui/main/DialogUnits.h"
#include "ui/main/MessageBox.h"

namespace quillon {

namespace {

constexpr int DIALOG_WIDTH_DLU = 292;
constexpr int DIALOG_HEIGHT_DLU = 150;
// A drop-down's template height includes its open list; closed, it is as
// tall as an edit.
constexpr int CLOSED_COMBO_HEIGHT_DLU = 14;

QString fromDevice(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Names and keys go to the device as 8-bit text, byte for byte.
std::string toDevice(const QString& text) {
    return text.toLatin1().toStdString();
}

void addLabel(const char* text, const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(rect);
}

template <typename Texts>
QComboBox* addList(const char* objectName, const Texts& texts, const QRect& rect, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    for (const auto& text : texts) {
        list->addItem(fromDevice(text));
    }
    list->setGeometry(rect);
    return list;
}

QLineEdit* addEdit(const char* objectName, int maxLength, const QRect& rect, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setMaxLength(maxLength);
    edit->setGeometry(rect);
    return edit;
}

}  // namespace

CConfigNetWFSet::CConfigNetWFSet(WifiNetworkRecord& record, int addMode, QWidget* parent)
    : QDialog(parent), m_record(record), m_addMode(addMode) {
    setObjectName(QStringLiteral("CConfigNetWFSet"));
    setWindowTitle(QString::fromLatin1(CAPTION));
    OnInitDialog();
}

void CConfigNetWFSet::OnInitDialog() {
    const DialogUnits units(font());
    setFixedSize(units.x(DIALOG_WIDTH_DLU), units.y(DIALOG_HEIGHT_DLU));

    addLabel("Wireless Network", units.rect(3, 10, 65, 14), this);
    m_name =
        addEdit("nameEdit", static_cast<int>(JOIN_NAME_MAX), units.rect(81, 10, 116, 16), this);

    addLabel("Authentication Mode", units.rect(1, 31, 70, 14), this);
    std::array<std::string_view, AUTH_MODE_ENTRIES.size()> authEntries{};
    for (std::size_t i = 0; i < AUTH_MODE_ENTRIES.size(); ++i) {
        authEntries[i] = AUTH_MODE_ENTRIES[i].text;
    }
    m_authMode = addList("authModeList", authEntries,
                         units.rect(82, 32, 116, CLOSED_COMBO_HEIGHT_DLU), this);
    m_authMode->setCurrentIndex(0);

    addLabel("WEP Index", units.rect(31, 50, 37, 14), this);
    m_wepIndex = addList("wepIndexList", WEP_KEY_ENTRIES,
                         units.rect(81, 51, 116, CLOSED_COMBO_HEIGHT_DLU), this);
    m_wepIndex->setCurrentIndex(NO_SELECTION);
    m_wepIndex->setEnabled(false);

    addLabel("Key Format", units.rect(31, 71, 37, 14), this);
    m_keyFormat = addList("keyFormatList", KEY_FORMAT_ENTRIES,
                          units.rect(81, 70, 116, CLOSED_COMBO_HEIGHT_DLU), this);
    m_keyFormat->setCurrentIndex(0);

    addLabel("Password", units.rect(31, 91, 37, 14), this);
    m_key = addEdit("keyEdit", static_cast<int>(JOIN_KEY_MAX), units.rect(81, 89, 116, 16), this);
    m_key->setEchoMode(QLineEdit::Password);

    m_establish = new QPushButton(QString::fromLatin1(ESTABLISH_TEXT), this);
    m_establish->setObjectName(QStringLiteral("establishButton"));
    m_establish->setAutoDefault(false);
    m_establish->setGeometry(units.rect(59, 125, 76, 16));
    // Enter means Exit here, as on the original: nothing is joined by accident.
    m_exit = new QPushButton(QStringLiteral("Exit"), this);
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setDefault(true);
    m_exit->setGeometry(units.rect(156, 125, 76, 16));

    connect(m_establish, &QPushButton::clicked, this, [this] { OnEstablishConnection(); });
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_authMode, &QComboBox::activated, this,
            [this](int position) { OnAuthModeChanged(position); });
}

void CConfigNetWFSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        OnShown();
    }
}

void CConfigNetWFSet::OnShown() {
    const JoinDialogView view = JoinDialogInitialView(m_record, m_addMode != 0);
    if (m_addMode == 0) {
        m_name->setText(fromDevice(view.name));
        m_authMode->setCurrentIndex(view.authPosition);
        m_wepIndex->setCurrentIndex(view.wepPosition);
        m_keyFormat->setCurrentIndex(view.keyFormatPosition);
        m_keyFormat->setEnabled(view.keyFormatEnabled);
        m_name->setEnabled(view.nameEnabled);
        m_authMode->setEnabled(view.authEnabled);
    }
    m_wepIndex->setEnabled(view.wepEnabled);
    m_key->setEnabled(view.keyEnabled);
    if (m_name->isEnabled()) {
        m_name->setFocus();
    } else if (m_key->isEnabled()) {
        m_key->setFocus();
    }
}

void CConfigNetWFSet::OnAuthModeChanged(int position) {
    const WepSlotState slot = WepSlotAfterAuthChange(position, m_wepIndex->currentIndex());
    m_wepIndex->setCurrentIndex(slot.position);
    m_wepIndex->setEnabled(slot.enabled);
}

void CConfigNetWFSet::OnEstablishConnection() {
    const std::string name = toDevice(m_name->text());
    const std::string key = toDevice(m_key->text());
    const JoinEntries entries{.name = name,
                              .key = key,
                              .authPosition = m_authMode->currentIndex(),
                              .wepPosition = m_wepIndex->currentIndex(),
                              .keyFormatPosition = m_keyFormat->currentIndex()};
    if (!BuildJoinRecord(m_record, entries)) {
        m_name->setFocus();
        m_name->deselect();
        m_name->end(false);
        ShowMessageBox(this, fromDevice(INCORRECT_NAME_TEXT));
        return;
    }
    accept();
}

}  // namespace quillon
