// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Linked into Lumora's own main(): once the window is up, looks up one shop
// again and again by Enter in the name box, then reports DONE and waits.
#include "app/errorbox.h"
#include "memchild.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class Driver : public QObject {
public:
    Driver()
    {
        // A box would block the run; its text is reported instead.
        ErrorBox::SetHandler([](QWidget *, const QString &text) {
            MemChild::report(QStringLiteral("ERROR ") + text);
        });
        connect(&m_poll, &QTimer::timeout, this, &Driver::poll);
        m_poll.start(20);
    }

private:
    // Every 20 ms: once the search button is back, the last lookup is over
    // and the next one starts with Enter in the name box.
    void poll()
    {
        if (!m_name) {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                m_name = w->findChild<QLineEdit *>(QStringLiteral("txtTB"));
                m_search = w->findChild<QPushButton *>(QStringLiteral("cmdTBCX"));
                if (m_name && m_search)
                    break;
            }
            if (!m_name || !m_search || !m_name->isVisible())
                return;
        }
        if (!m_search->isEnabled())
            return;
        if (m_started == MemChild::lookups()) {
            m_poll.stop();
            MemChild::doneThenWait(m_started);
            return;
        }
        ++m_started;
        m_name->setText(MemChild::nick());
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(m_name, &press);
    }

    QTimer m_poll;
    QLineEdit *m_name = nullptr;
    QPushButton *m_search = nullptr;
    int m_started = 0;
};

void installDriver()
{
    (new Driver)->setParent(QCoreApplication::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installDriver)
