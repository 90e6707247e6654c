// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "modulebrowser.h"

#include "browserengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QWidget>

// Qt WebEngine draws its pages through OpenGL contexts that share their
// resources with one global context of the application. Qt makes that
// context by itself only when Qt::AA_ShareOpenGLContexts is set before the
// application object exists, which would make every start pay for it
// before the window is painted; and an engine loaded later without it
// complains on the terminal that it was started from a plugin. So the
// context is made here, right before the module is loaded. Qt has no public
// call that installs it: qt_gl_set_global_share_context is exported by Qt
// GUI but not documented, and this is the one place that calls it.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

// Why the engine's module could not be loaded: silent unless asked for
// (QT_LOGGING_RULES="lumora.module=true"), the one diagnostic a report of
// "浏览器组件缺失" needs.
Q_LOGGING_CATEGORY(lcModule, "lumora.module", QtCriticalMsg)

namespace {

void ensureGlobalShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto *context = new QOpenGLContext(QCoreApplication::instance());
    // Where the platform has no OpenGL (offscreen), the context stays
    // invalid and the engine draws in software.
    context->create();
    qt_gl_set_global_share_context(context);
    QObject::connect(context, &QObject::destroyed, [] { qt_gl_set_global_share_context(nullptr); });
}

} // namespace

QString ModuleBrowser::moduleFileName()
{
    // The build names the module.
    return QStringLiteral(LUMORA_MODULE_FILE_NAME);
}

QStringList ModuleBrowser::defaultFolders()
{
    const QString program = QCoreApplication::applicationDirPath();
    return {program, QDir::cleanPath(program + QStringLiteral("/" LUMORA_MODULE_RELATIVE_DIR))};
}

ModuleBrowser::ModuleBrowser(const QStringList &folders, QObject *parent)
    : Browser(parent), m_folders(folders)
{
}

// The engine goes first: its view and profile before the module's code.
ModuleBrowser::~ModuleBrowser()
{
    m_engine.reset();
}

bool ModuleBrowser::load()
{
    if (m_engine)
        return true;
    m_loadError.clear();
    for (const QString &folder : std::as_const(m_folders)) {
        const QString path = QDir(folder).filePath(moduleFileName());
        if (!QFileInfo::exists(path))
            continue;
        ensureGlobalShareContext();
        auto loader = std::make_unique<QPluginLoader>(path);
        auto *factory = qobject_cast<BrowserEngineFactory *>(loader->instance());
        if (!factory) {
            m_loadError = loader->errorString();
            continue;
        }
        QPointer<ModuleBrowser> self(this);
        m_engine.reset(factory->createEngine([self](const DocumentSnapshot &snapshot) {
            if (self)
                emit self->DocumentComplete(snapshot);
        }));
        m_loader = std::move(loader);
        if (m_container)
            m_engine->setContainer(m_container);
        return true;
    }
    if (m_loadError.isEmpty())
        m_loadError = QStringLiteral("%1 is in none of: %2")
                          .arg(moduleFileName(), m_folders.join(QStringLiteral(", ")));
    qCWarning(lcModule).noquote() << "the browser engine's module cannot be loaded:" << m_loadError;
    return false;
}

void ModuleBrowser::warmUp()
{
    if (load())
        m_engine->start();
}

void ModuleBrowser::Navigate(const QUrl &address)
{
    ++m_generation;
    if (load()) {
        m_engine->navigate(address);
        return;
    }
    // Reported after the caller has returned, like any page load, unless a
    // navigation or a stop comes first.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (m_generation != generation)
                return;
            DocumentSnapshot snapshot;
            snapshot.engineMissing = true;
            emit DocumentComplete(snapshot);
        },
        Qt::QueuedConnection);
}

void ModuleBrowser::Stop()
{
    ++m_generation;
    if (m_engine)
        m_engine->stop();
}

void ModuleBrowser::setContainer(QWidget *container)
{
    m_container = container;
    if (m_engine)
        m_engine->setContainer(container);
}
