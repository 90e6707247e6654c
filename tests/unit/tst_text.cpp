// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "text/textrules.h"

#include <QTest>

using namespace Text;

class TstText : public QObject {
    Q_OBJECT
private slots:
    void findText_data();
    void findText();
    void substring_data();
    void substring();
    void replaceAll_data();
    void replaceAll();
    void isNumeric_data();
    void isNumeric();
};

void TstText::findText_data()
{
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("position");
    const auto row = [](const char *name, const QString &needle, const QString &text,
                        qsizetype at) { QTest::newRow(name) << needle << text << at; };
    row("empty text", "a", "", 0);
    row("empty needle and text", "", "", 0);
    row("empty needle", "", "abc", 1);
    row("at the start", "ab", "abc", 1);
    row("first of two", "b", "abcb", 2);
    row("at the very end", "bc", "abc", 2);
    row("running past the end", "cd", "abc", 0);
    row("longer than the text", "abcd", "abc", 0);
    row("case matters", "A", "abc", 0);
    row("code units after a surrogate pair", QStringLiteral("卖家"), QStringLiteral("😀卖家"), 3);
    row("full-width colon is not ASCII", QStringLiteral("卖家信用: "),
        QStringLiteral("卖家信用：1"), 0);
    row("the blank that ends the needle counts", QStringLiteral("卖家信用: "),
        QStringLiteral("卖家信用:1"), 0);
    row("a needle of one blank", " ", "abc", 0);
    row("empty needle in a text of blanks", "", "  ", 1);
    row("blanks before it count", "b", " \tab", 4);
}

void TstText::findText()
{
    QFETCH(QString, needle);
    QFETCH(QString, text);
    QFETCH(qsizetype, position);
    QCOMPARE(FindText(needle, text), position);
}

void TstText::substring_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("cut");
    QTest::newRow("middle") << "abcdef" << qsizetype(2) << qsizetype(3) << "bcd";
    QTest::newRow("cut short at the end") << "abcdef" << qsizetype(5) << qsizetype(4) << "ef";
    QTest::newRow("starts at the last") << "abc" << qsizetype(3) << qsizetype(1) << "c";
    QTest::newRow("starts past the end") << "abc" << qsizetype(4) << qsizetype(2) << "";
    QTest::newRow("zero length") << "abc" << qsizetype(1) << qsizetype(0) << "";
    QTest::newRow("negative length") << "abc" << qsizetype(2) << qsizetype(-3) << "";
    QTest::newRow("half of a surrogate pair")
        << QStringLiteral("😀x") << qsizetype(2) << qsizetype(2) << QString(QChar(0xDE00)) + "x";
    QTest::newRow("huge length") << "abc" << qsizetype(2) << std::numeric_limits<qsizetype>::max()
                                 << "bc";
    QTest::newRow("huge start") << "" << std::numeric_limits<qsizetype>::max() << qsizetype(1)
                                << "";
    QTest::newRow("start before 1") << "abc" << qsizetype(-1) << qsizetype(4) << "ab";
    QTest::newRow("start far before 1") << "abc" << std::numeric_limits<qsizetype>::min()
                                        << std::numeric_limits<qsizetype>::max() << "";
    QTest::newRow("blanks at the start count")
        << "\r\n abc" << qsizetype(2) << qsizetype(3) << "\n a";
}

void TstText::substring()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, cut);
    QCOMPARE(Substring(text, start, length), cut);
}

void TstText::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("result");
    const auto row = [](const char *name, const QString &text, const QString &from,
                        const QString &to, const QString &result) {
        QTest::newRow(name) << text << from << to << result;
    };
    row("every dot", "a. b.c", ".", "", "a bc");
    row("only dots", "....", ".", "", "");
    row("a blank is U+0020 only", QStringLiteral("a\u3000b\tc"), " ", "",
        QStringLiteral("a\u3000b\tc"));
    row("every blank", " a b ", " ", "", "ab");
    row("blank characters at the ends stay", "\t a.b\n", ".", "", "\t ab\n");
    row("by a blank", "a.b", ".", " ", "a b");
    row("nothing to look for: the text as it is", " a ", "", "x", " a ");
}

void TstText::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, result);
    QCOMPARE(ReplaceAll(text, from, to), result);
}

void TstText::isNumeric_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("digits") << "2005" << true;
    QTest::newRow("grouped") << "1,234" << true;
    QTest::newRow("blanks around") << "  12 " << true;
    QTest::newRow("signed decimal") << "-1.5" << true;
    QTest::newRow("exponent") << "1e3" << true;
    QTest::newRow("point first") << ".5" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("letters") << "12ab" << false;
    QTest::newRow("year with X") << "20X5" << false;
    QTest::newRow("date") << "2005-06" << false;
    QTest::newRow("leading comma") << ",5" << false;
    QTest::newRow("sign only") << "-" << false;
    QTest::newRow("exponent without digits") << "1e" << false;
    QTest::newRow("blank inside") << "1 2" << false;
    QTest::newRow("full-width digits") << QStringLiteral("２００５") << false;
    QTest::newRow("unknown") << QStringLiteral("未知") << false;
    QTest::newRow("plus sign") << "+5" << true;
    QTest::newRow("exponent E") << "1E3" << true;
    QTest::newRow("exponent d") << "1d3" << true;
    QTest::newRow("exponent D") << "1D3" << true;
    QTest::newRow("exponent with plus") << "1e+3" << true;
    QTest::newRow("exponent with minus") << "1e-3" << true;
    QTest::newRow("letter after the fraction") << "1.5a" << false;
    QTest::newRow("letter after the exponent") << "1e5x" << false;
    QTest::newRow("one digit") << "7" << true;
    QTest::newRow("a tab before it is no blank") << "\t12" << false;
    QTest::newRow("a tab after it is no blank") << "12\t" << false;
    QTest::newRow("a line break before it") << "\r\n20" << false;
    QTest::newRow("an equals sign is no sign") << "=5" << false;
    QTest::newRow("a bracket is no sign") << "(5" << false;
    QTest::newRow("a slash does not group digits") << "1/2" << false;
    QTest::newRow("a colon is no decimal point") << "12:30" << false;
    QTest::newRow("an equals sign in the exponent") << "1e=5" << false;
    QTest::newRow("a bracket in the exponent") << "1e(5" << false;
    QTest::newRow("a letter other than e or d") << "1f5" << false;
}

void TstText::isNumeric()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumeric(text), numeric);
}

QTEST_APPLESS_MAIN(TstText)
#include "tst_text.moc"
