// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What the window says to the user during a lookup and of its commands,
// spelled exactly, in one place for the program and its tests.
namespace Messages {

inline const QString kReady = QStringLiteral("准备就绪");
inline const QString kSearching = QStringLiteral("正在淘宝服务器上搜索该店铺...");
inline const QString kFetching = QStringLiteral("正在获取店铺信用信息......");
inline const QString kNoName = QStringLiteral("请输入店铺名!");
inline const QString kNotFound =
    QStringLiteral("您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！");
inline const QString kUnread = QStringLiteral("无法读取该店铺的信息，请稍后再试！");
inline const QString kEngineMissing =
    QStringLiteral("本软件的浏览器组件缺失或无法加载，无法查询店铺，请重新安装本软件！");
inline const QString kNoAdvice = QStringLiteral("暂无建议.");
inline const QString kReadOnly = QStringLiteral("本项严禁修改！");

} // namespace Messages
