// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QProcessEnvironment>

class QUrl;

// Opens web pages in the user's default browser for QDesktopServices, in
// the environment the user started the tool with: the tool's own process
// runs with a home of its own (see Privacy), the user's browser must not.
class DefaultBrowser : public QObject {
    Q_OBJECT
public:
    explicit DefaultBrowser(const QProcessEnvironment &environment, QObject *parent = nullptr);
    ~DefaultBrowser() override;

public slots:
    void open(const QUrl &url);

private:
    QProcessEnvironment m_environment;
};
