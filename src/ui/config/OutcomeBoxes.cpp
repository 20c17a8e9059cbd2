#include "ui/config/OutcomeBoxes.h"

#include <QMessageBox>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "ui/main/MessageBox.h"

namespace quillon {

// What one waiting thread blocks on: opened once, by whichever comes first
// of the box closing, the box going away, or the request being dropped.
struct BoxWait {
    std::mutex mutex;
    std::condition_variable closed;
    bool done = false;

    void close() {
        std::lock_guard lock(mutex);
        done = true;
        closed.notify_all();
    }
    void waitClosed() {
        std::unique_lock lock(mutex);
        closed.wait(lock, [this] { return done; });
    }
};

namespace {

// Releases the thread when the last copy of the request is destroyed, so a
// request Qt drops (its receiver gone) can't leave the thread waiting.
class ReleaseOnDrop {
public:
    explicit ReleaseOnDrop(std::shared_ptr<BoxWait> wait) : m_wait(std::move(wait)) {}
    ~ReleaseOnDrop() { m_wait->close(); }
    ReleaseOnDrop(const ReleaseOnDrop&) = delete;
    ReleaseOnDrop& operator=(const ReleaseOnDrop&) = delete;

private:
    std::shared_ptr<BoxWait> m_wait;
};

}  // namespace

struct OutcomeBoxes::Link {
    std::mutex mutex;
    OutcomeBoxes* host = nullptr;
};

OutcomeBoxes::OutcomeBoxes(QObject* parent) : QObject(parent), m_link(std::make_shared<Link>()) {
    m_link->host = this;
}

OutcomeBoxes::~OutcomeBoxes() {
    {
        std::lock_guard lock(m_link->mutex);
        m_link->host = nullptr;
    }
    for (const QPointer<QMessageBox>& box : m_boxes) {
        delete box.data();
    }
}

OutcomeReport OutcomeBoxes::reporter() const {
    return [link = m_link](std::string_view, WiredOutcome outcome) {
        auto wait = std::make_shared<BoxWait>();
        {
            auto release = std::make_shared<const ReleaseOnDrop>(wait);
            const std::string_view text = OutcomeText(outcome);
            const QString boxText =
                QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
            std::lock_guard lock(link->mutex);
            if (link->host == nullptr) {
                return;  // the window is gone: nobody to tell
            }
            OutcomeBoxes* host = link->host;
            QMetaObject::invokeMethod(
                host, [host, boxText, wait, release] { host->show(boxText, wait, release); },
                Qt::QueuedConnection);
        }
        wait->waitClosed();
    };
}

void OutcomeBoxes::show(const QString& text, std::shared_ptr<BoxWait> wait,
                        std::shared_ptr<const void> keepAlive) {
    // The callback lives as long as the box: deleted unanswered (the window
    // closing), it still lets the thread go on.
    QMessageBox* box =
        OpenMessageBox(text, QMessageBox::Warning, QMessageBox::Ok,
                       [wait, keepAlive](QMessageBox::StandardButton) { wait->close(); });
    if (box == nullptr) {
        return;
    }
    std::erase_if(m_boxes, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
    m_boxes.emplace_back(box);
}

int OutcomeBoxes::openCount() const {
    int count = 0;
    for (const QPointer<QMessageBox>& box : m_boxes) {
        if (!box.isNull() && box->isVisible()) {
            ++count;
        }
    }
    return count;
}

}  // namespace quillon
