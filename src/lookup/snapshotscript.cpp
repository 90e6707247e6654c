// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "snapshotscript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Lookup {

QString SnapshotScript()
{
    return QStringLiteral(R"JS((function () {
  var d = document, b = d.body, l = d.links, a = d.getElementsByTagName('A');
  var h = new Array(l.length), t = new Array(a.length), i, e, v;
  for (i = 0; i < l.length; i++) {
    v = l[i].href;
    h[i] = typeof v === 'string' ? v : String(l[i].getAttribute('href') || '');
  }
  for (i = 0; i < a.length; i++) {
    e = a[i];
    v = e.innerText;
    t[i] = typeof v === 'string' ? v : String(e.textContent || '');
  }
  var x = b ? b.innerText : '';
  return JSON.stringify({b: !!b, x: typeof x === 'string' ? x : '', h: h, t: t});
})())JS");
}

namespace {

QString crlf(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

QStringList strings(const QJsonValue &value, bool lineBreaks)
{
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue &v : array)
        list.append(lineBreaks ? crlf(v.toString()) : v.toString());
    return list;
}

} // namespace

DocumentSnapshot ParseSnapshot(const QVariant &result)
{
    DocumentSnapshot s;
    const QString json = result.toString();
    if (json.isEmpty())
        return s;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isObject())
        return s;
    const QJsonObject o = doc.object();
    s.hasDocument = true;
    s.hasBody = o.value(QLatin1String("b")).toBool();
    s.bodyText = crlf(o.value(QLatin1String("x")).toString());
    s.linkHrefs = strings(o.value(QLatin1String("h")), false);
    s.anchorTexts = strings(o.value(QLatin1String("t")), true);
    return s;
}

} // namespace Lookup
