// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "privacy.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace Privacy {

namespace {

void setIfUnset(const char *name, const QByteArray &value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

// The session's runtime folder where the variable is missing but the
// folder is there, as systemd makes it; otherwise a private one that goes
// away with the process. Qt would make /tmp/runtime-<user> and leave it.
std::unique_ptr<QTemporaryDir> ensureRuntimeFolder()
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return nullptr;
    const QByteArray session = "/run/user/" + QByteArray::number(getuid());
    struct stat info;
    if (stat(session.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 0777) == 0700) {
        qputenv("XDG_RUNTIME_DIR", session);
        return nullptr;
    }
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/lumora-runtime-XXXXXX"));
    if (!folder->isValid())
        return nullptr;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder->path()));
    return folder;
}

} // namespace

Setup KeepNothingOnDisk()
{
    Setup setup;
    setup.asGiven = QProcessEnvironment::systemEnvironment();
    setup.runtime = ensureRuntimeFolder();

    // Shader caches of the OpenGL drivers (Mesa, NVIDIA), used by the window
    // and the browser engine to draw; the programs stay as fast without them.
    setIfUnset("MESA_SHADER_CACHE_DISABLE", "true");
    setIfUnset("__GL_SHADER_DISK_CACHE", "0");

    // Without a session bus address, D-Bus starts a bus of its own for the
    // display and leaves its address under ~/.dbus. The user's bus, if there
    // is one, is the one in the runtime folder.
    setIfUnset("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + qgetenv("XDG_RUNTIME_DIR") + "/bus");

    // The browser engine keeps a certificate store in ~/.pki/nssdb, made on
    // the first secure page and taken from HOME, with no setting to move or
    // turn it off. So the process gets a home where nothing can be made; the
    // folders that Qt, fonts, input methods and the X display are found
    // through are first pinned to where the user's home puts them.
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty()) {
        setIfUnset("XDG_CONFIG_HOME", home + "/.config");
        setIfUnset("XDG_DATA_HOME", home + "/.local/share");
        setIfUnset("XDG_CACHE_HOME", home + "/.cache");
        setIfUnset("XDG_STATE_HOME", home + "/.local/state");
        setIfUnset("XAUTHORITY", home + "/.Xauthority");
        setIfUnset("ICEAUTHORITY", home + "/.ICEauthority");
    }
    // A character device: no folder can ever be made below it, not even by
    // root.
    qputenv("HOME", "/dev/null");

    return setup;
}

} // namespace Privacy
