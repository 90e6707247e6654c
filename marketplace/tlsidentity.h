// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The certificate and key the sample marketplace shows on an https tunnel. They are
// made once per process by the openssl command-line tool, which writes them to its
// standard output, so nothing lands on the disk; the certificate is self-signed, so a
// browser that checks it refuses it, as it should.
struct TlsIdentity {
    QSslCertificate certificate;
    QSslKey key;
    QString error; // why there is none; empty when certificate and key are usable

    bool isValid() const { return error.isEmpty(); }

    // The one identity of this process, made on first use.
    static const TlsIdentity &get();
};
