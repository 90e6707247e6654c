// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// lumora-marketplace [--port N] [--delay-ms N]: serves the sample marketplace as an HTTP proxy on
// 127.0.0.1, prints "port N" once listening, and runs until SIGTERM or SIGINT.

#include "marketplace.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor; the event loop reads the other end
// and quits, so the server shuts down like after any other event.
int signalFds[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalFds[1], &byte, 1);
}

bool quitOnSignals(QCoreApplication *app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalFds[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [app] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(signalFds[0], &byte, 1);
        app->quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumora-marketplace"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sample marketplace, reached as an HTTP proxy on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOption(portOption);
    const QCommandLineOption delayOption(
        QStringLiteral("delay-ms"),
        QStringLiteral("Answer every page N milliseconds late, to watch a lookup's steps."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOption(delayOption);
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "lumora-marketplace: bad port \"%s\"\n",
                     qPrintable(parser.value(portOption)));
        return 2;
    }
    if (!quitOnSignals(&app)) {
        std::perror("lumora-marketplace: signals");
        return 1;
    }

    const int delayMs = parser.value(delayOption).toInt(&ok);
    if (!ok || delayMs < 0) {
        std::fprintf(stderr, "lumora-marketplace: bad delay \"%s\"\n",
                     qPrintable(parser.value(delayOption)));
        return 2;
    }
    Marketplace marketplace;
    marketplace.setResponseDelay(delayMs);
    if (!marketplace.listen(quint16(port))) {
        std::fprintf(stderr, "lumora-marketplace: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("port %u\n", unsigned(marketplace.port()));
    std::fflush(stdout);
    return app.exec();
}
