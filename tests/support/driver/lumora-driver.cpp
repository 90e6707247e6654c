// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// A test driver for the real, unmodified program, loaded into it with
// LD_PRELOAD. It lets an end-to-end test watch the window and, where nothing
// outside the process can send input (QT_QPA_PLATFORM=offscreen), type and
// click in it the way a user would.
//
// Reports, one line each on standard error:
//   lumora-driver: ready WINID            the window is shown and painted
//   lumora-driver: state {JSON}           whenever what the user sees changes:
//                                         {"status", "search" (鉴定 enabled),
//                                          "box" (text of the open message box
//                                          or null), "boxWindow",
//                                          "name" (the name box enabled), "details"
//                                          (看详细结果... enabled), "facts" (the
//                                          four fields' texts and the five
//                                          indicators, by control name)}
//   lumora-driver: window {JSON}          a top-level window of the process is
//                                         shown: {"class" (of the window or of
//                                         its widget), "title", "text" (of a
//                                         message box), "widget" (true when it
//                                         is a widget's window)}
//   lumora-driver: desktop URL            an address handed to the desktop, for
//                                         the schemes named in
//                                         LUMORA_DRIVER_URL_SCHEMES (commas)
//   lumora-driver: clipboard MODE TEXT    the clipboard or selection changed
//   lumora-driver: pong TEXT              the answer to "ping TEXT"
//   lumora-driver: at NAME X Y            the answer to "where NAME": the middle of
//                                         that control, in window coordinates
//   lumora-driver: run COMMAND            a command from standard input is being run
//   lumora-driver: error WHAT             a command could not be carried out
// Commands, one a line on standard input, each run from the event loop:
//   click NAME    left click in the middle of the control of that object name
//   where NAME    answered with "at NAME X Y", for a click from outside
//   type TEXT     key presses for each character of TEXT into the focused control
//   key NAME      Return, BackSpace, Tab, Backtab or ctrl+a on the focused control
//                 (that of the open message box, if one is open)
//   pagelimit MS  the lookup's page limit (Form1's pageTimeout) set to MS
//   ping TEXT     answered with "pong TEXT" from the event loop
//   poke          a click and a key on the hidden browser's own widget: what no
//                 user can do, as the browser lies outside the window, but what
//                 gives the page the user activation that some requests need
#include "evaluation/shopfacts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The browser engine's helper processes must not load the driver: they are
// started from this process's environment.
__attribute__((constructor)) void forgetPreload()
{
    unsetenv("LD_PRELOAD");
}

void report(const QByteArray &line)
{
    const QByteArray out = "lumora-driver: " + line + '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, out.constData(), out.size());
}

QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// Takes the addresses the program hands to the desktop for the schemes it is
// given, in place of the desktop.
class Desktop : public QObject {
    Q_OBJECT
public:
    explicit Desktop(const QStringList &schemes, QObject *parent)
        : QObject(parent), m_schemes(schemes)
    {
        for (const QString &scheme : m_schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~Desktop() override
    {
        for (const QString &scheme : std::as_const(m_schemes))
            QDesktopServices::unsetUrlHandler(scheme);
    }

public slots:
    void open(const QUrl &url) { report("desktop " + url.toEncoded()); }

private:
    QStringList m_schemes;
};

class Driver : public QObject {
public:
    explicit Driver(QObject *parent) : QObject(parent)
    {
        m_poll.setInterval(50);
        connect(&m_poll, &QTimer::timeout, this, &Driver::look);
        m_poll.start();
        m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_input, &QSocketNotifier::activated, this, &Driver::readCommands);
        // Every window the process shows, however briefly.
        qApp->installEventFilter(this);
        const QString schemes = qEnvironmentVariable("LUMORA_DRIVER_URL_SCHEMES");
        if (!schemes.isEmpty())
            new Desktop(schemes.split(u',', Qt::SkipEmptyParts), this);
        connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
                [](QClipboard::Mode mode) {
                    const QByteArray name = mode == QClipboard::Clipboard   ? "clipboard"
                                            : mode == QClipboard::Selection ? "selection"
                                                                            : "findbuffer";
                    report("clipboard " + name + ' ' +
                           QGuiApplication::clipboard()->text(mode).toUtf8().left(200));
                });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // 鉴定 is disabled for the whole of a lookup: seen at once, however
        // short the lookup, and not only at the next look.
        if (event->type() == QEvent::EnabledChange && m_ready &&
            watched == control<QPushButton>("cmdTBCX"))
            look();
        if (event->type() == QEvent::Show && watched->isWindowType()) {
            auto *shown = static_cast<QWindow *>(watched);
            if (!shown->parent())
                reportWindow(shown);
        }
        return false;
    }

private:
    static void reportWindow(QWindow *shown)
    {
        QJsonObject o;
        o[QStringLiteral("class")] = QLatin1String(shown->metaObject()->className());
        o[QStringLiteral("title")] = shown->title();
        o[QStringLiteral("widget")] = false;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->windowHandle() != shown)
                continue;
            o[QStringLiteral("class")] = QLatin1String(w->metaObject()->className());
            o[QStringLiteral("title")] = w->windowTitle();
            o[QStringLiteral("widget")] = true;
            if (auto *box = qobject_cast<QMessageBox *>(w))
                o[QStringLiteral("text")] = box->text();
        }
        report("window " + json(o));
    }

    QWidget *window() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"Form1" || w->windowTitle() == u"Lumora1.2")
                return w;
        }
        return nullptr;
    }

    template <typename T> T *control(const char *name) const
    {
        QWidget *w = window();
        return w ? w->findChild<T *>(QLatin1String(name)) : nullptr;
    }

    // Watches the window; reports when it is ready and whenever its state changes.
    void look()
    {
        QWidget *form = window();
        if (!form)
            return;
        if (!m_ready) {
            if (!form->isVisible() || !form->windowHandle() || !form->windowHandle()->isExposed())
                return;
            // One more round of the event loop, so that it has been painted.
            if (++m_exposedTicks < 4)
                return;
            m_ready = true;
            report("ready " + QByteArray::number(quintptr(form->winId())));
        }
        QJsonObject state;
        const auto *status = control<QLabel>("lblTBZZ");
        const auto *search = control<QPushButton>("cmdTBCX");
        state[QStringLiteral("status")] = status ? status->text() : QString();
        state[QStringLiteral("search")] = search && search->isEnabled();
        const auto *name = control<QLineEdit>("txtTB");
        const auto *details = control<QPushButton>("cmdTBURL");
        state[QStringLiteral("name")] = name && name->isEnabled();
        state[QStringLiteral("details")] = details && details->isEnabled();
        QJsonObject facts;
        for (const FactText &t : kFactTexts) {
            const auto *edit = control<QLineEdit>(t.control);
            facts[QLatin1String(t.control)] = edit ? edit->text() : QString();
        }
        for (const FactFlag &f : kFactFlags) {
            const auto *check = control<QCheckBox>(f.control);
            facts[QLatin1String(f.control)] = check && check->isChecked();
        }
        state[QStringLiteral("facts")] = facts;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            state[QStringLiteral("box")] = box->text();
            state[QStringLiteral("boxWindow")] = QString::number(quintptr(box->winId()));
        } else {
            state[QStringLiteral("box")] = QJsonValue::Null;
        }
        const QByteArray line = QJsonDocument(state).toJson(QJsonDocument::Compact);
        if (line != m_lastState) {
            m_lastState = line;
            report("state " + line);
        }
    }

    void readCommands()
    {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            m_input->setEnabled(false); // the test closed its end
            return;
        }
        m_pending.append(chunk, int(got));
        int end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QString command = QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
            // Each command runs from an event of its own: a click that opens a
            // message box returns only when the box is closed, and the command
            // that closes it must be able to run meanwhile.
            QMetaObject::invokeMethod(
                this, [this, command] { run(command); }, Qt::QueuedConnection);
        }
    }

    // The control that takes the keys: the window's focus, or that of the open box.
    QWidget *keyTarget() const
    {
        QWidget *top = QApplication::activeModalWidget();
        if (!top)
            top = window();
        if (!top)
            return nullptr;
        return top->focusWidget() ? top->focusWidget() : top;
    }

    void run(const QString &command)
    {
        const QString verb = command.section(u' ', 0, 0);
        const QString rest = command.section(u' ', 1);
        if (verb == u"ping") {
            report("pong " + rest.toUtf8());
            return;
        }
        QWidget *form = window();
        if (!form) {
            report("error no window for " + command.toUtf8());
            return;
        }
        if (verb == u"pagelimit") {
            const QVariant before = form->property("pageTimeout");
            if (!before.isValid() || !form->setProperty("pageTimeout", rest.toInt())) {
                report("error the window has no page limit to set");
                return;
            }
            report("run " + command.toUtf8() + " (was " + before.toByteArray() + ")");
            return;
        }
        if (verb == u"poke") {
            QWidget *engine = nullptr;
            for (QWidget *w : form->findChildren<QWidget *>()) {
                if (w->inherits("QWebEngineView")) {
                    engine = w->focusProxy() ? w->focusProxy() : w;
                    break;
                }
            }
            if (!engine) {
                report("error no browser to poke");
                return;
            }
            report("run poke (on " + QByteArray(engine->metaObject()->className()) + ")");
            QTest::mouseClick(engine, Qt::LeftButton, {}, QPoint(1, 1));
            QTest::keyClick(engine, Qt::Key_Space);
            return;
        }
        if (verb == u"click" || verb == u"where") {
            auto *target = form->findChild<QWidget *>(rest);
            if (!target || !target->isVisible()) {
                report("error no control " + rest.toUtf8() + " to click");
            } else if (verb == u"where") {
                const QPoint at = target->mapTo(form, target->rect().center());
                report("at " + rest.toUtf8() + ' ' + QByteArray::number(at.x()) + ' ' +
                       QByteArray::number(at.y()));
            } else {
                report("run " + command.toUtf8());
                QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
            }
            return;
        }
        QPointer<QWidget> target = keyTarget();
        if (!target) {
            report("error nothing takes the keys for " + command.toUtf8());
            return;
        }
        report("run " + command.toUtf8() + " (on " + target->objectName().toUtf8() + ")");
        if (verb == u"type") {
            QTest::keyClicks(target, rest);
        } else if (verb == u"key") {
            static const QHash<QString, QKeyCombination> keys = {
                {QStringLiteral("Return"), Qt::Key_Return},
                {QStringLiteral("BackSpace"), Qt::Key_Backspace},
                {QStringLiteral("Tab"), Qt::Key_Tab},
                {QStringLiteral("Backtab"), Qt::ShiftModifier | Qt::Key_Backtab},
                {QStringLiteral("ctrl+a"), Qt::ControlModifier | Qt::Key_A}};
            const auto key = keys.constFind(rest);
            if (key == keys.cend())
                report("error unknown key " + rest.toUtf8());
            else
                QTest::keyClick(target, key->key(), key->keyboardModifiers());
        } else {
            report("error unknown command " + command.toUtf8());
        }
    }

    QTimer m_poll;
    QSocketNotifier *m_input = nullptr;
    QByteArray m_pending;
    QByteArray m_lastState;
    bool m_ready = false;
    int m_exposedTicks = 0;
};

void startDriver()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    new Driver(QCoreApplication::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)

#include "lumora-driver.moc"
