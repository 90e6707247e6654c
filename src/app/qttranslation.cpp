// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "qttranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace QtTranslation {

bool InstallChinese()
{
    return InstallChinese(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool InstallChinese(const QString &folder)
{
    // The exact file, never a lookalike: QTranslator would otherwise go on to
    // shorter names (qtbase_zh.qm, qtbase.qm) when this one is missing.
    const QString file = QDir(folder).filePath(QStringLiteral("qtbase_zh_CN.qm"));
    if (!QFileInfo(file).isFile())
        return false;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(file) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace QtTranslation
