#pragma once

// The message boxes of the wired command threads. A thread asks for its box
// through a queued call to the window's thread and stays in it until the
// user closes the box. Boxes are top-level and modal to nothing, so several
// can be on screen and be closed in any order.

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

#include "ui/config/WiredCommands.h"

class QMessageBox;

namespace quillon {

struct BoxWait;

class OutcomeBoxes : public QObject {
    Q_OBJECT
public:
    explicit OutcomeBoxes(QObject* parent = nullptr);
    // Closes the boxes still open; their threads go on to their end, as do
    // threads whose box was asked for but not yet shown.
    ~OutcomeBoxes() override;

    // For the command threads: shows the outcome's text, returns when the
    // box is closed or this object is gone. Safe to call after that.
    OutcomeReport reporter() const;

    int openCount() const;

private:
    struct Link;
    // keepAlive lives as long as the box; the last reference to it going
    // releases the thread.
    void show(const QString& text, std::shared_ptr<BoxWait> wait,
              std::shared_ptr<const void> keepAlive);

    std::shared_ptr<Link> m_link;
    std::vector<QPointer<QMessageBox>> m_boxes;
};

}  // namespace quillon
