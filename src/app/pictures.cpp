// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "pictures.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// The artwork lives in a static library, whose resources are not registered
// on their own.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Pictures {

namespace {

QPixmap render(const QString &path, QSize size, qreal dpr)
{
    registerArtwork();
    QSvgRenderer renderer(path);
    QPixmap pixmap(size * dpr);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

} // namespace

QIcon AppIcon()
{
    QIcon icon;
    // The smallest size has its own drawing, aligned to the pixel grid.
    icon.addPixmap(render(QStringLiteral(":/images/lumora-16.svg"), QSize(16, 16), 1.0));
    for (int size : {32, 48, 64})
        icon.addPixmap(render(QStringLiteral(":/images/lumora.svg"), QSize(size, size), 1.0));
    return icon;
}

QPixmap Picture(const QString &name, QSize size, qreal devicePixelRatio)
{
    return render(QStringLiteral(":/images/%1.svg").arg(name), size, devicePixelRatio);
}

QString Tooltip(const QString &name)
{
    static const QHash<QString, QString> tooltips = {
        {QStringLiteral("image1"), QStringLiteral("店铺查询：输入掌柜名，一键查看店铺信用")},
        {QStringLiteral("image2"), QStringLiteral("信用查询：多方比对评价，帮您找到靠谱卖家")},
        {QStringLiteral("image3"), QStringLiteral("信用勋章：信用越高，购物越安心")},
        {QStringLiteral("image4"), QStringLiteral("安全购物：先看信用，再放心下单")},
        {QStringLiteral("image5"), QStringLiteral("信用鉴定：看清店铺信誉，少踩购物陷阱")},
        {QStringLiteral("image6"), QStringLiteral("消费者保障：了解店铺服务承诺，维权更有底气")},
        {QStringLiteral("image7"), QStringLiteral("诚信商家：口碑良好的店铺，值得您信赖")},
    };
    return tooltips.value(name);
}

} // namespace Pictures
