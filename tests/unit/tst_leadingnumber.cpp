// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "evaluation/leadingnumber.h"

#include <QTest>
#include <clocale>
#include <cmath>

using Evaluation::LeadingNumber;

class TstLeadingNumber : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void tooLargeForADouble_data();
    void tooLargeForADouble();
    void pointIsAlwaysADot();
};

void TstLeadingNumber::read_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("whole") << "1500" << 1500.0;
    QTest::newRow("plus sign") << "+42" << 42.0;
    QTest::newRow("minus sign") << "-42" << -42.0;
    QTest::newRow("decimal") << "499.5" << 499.5;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point last") << "7." << 7.0;
    QTest::newRow("exponent E") << "1E3" << 1000.0;
    QTest::newRow("exponent e negative") << "25e-1" << 2.5;
    QTest::newRow("exponent D") << "2D2" << 200.0;
    QTest::newRow("exponent d signed") << "3d+1" << 30.0;
    QTest::newRow("exponent without digits") << "2E" << 2.0;
    QTest::newRow("blanks anywhere") << " 1 2\t3\n4 " << 1234.0;
    QTest::newRow("carriage return ends it") << "12\r34" << 12.0;
    QTest::newRow("carriage return before it") << "\r5" << 0.0;
    QTest::newRow("ideographic space before it") << QStringLiteral("\u30005") << 0.0;
    QTest::newRow("a per mille sign ends it") << QStringLiteral("5‰") << 5.0;
    QTest::newRow("a per mille sign before it") << QStringLiteral("‰5") << 0.0;
    QTest::newRow("a digit of another script before it") << QStringLiteral("\u0f205") << 0.0;
    QTest::newRow("comma ends it") << "1,500" << 1.0;
    QTest::newRow("year and month") << "2005-06" << 2005.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("unknown year") << QStringLiteral("未知") << 0.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex lower case") << "&hff zz" << 255.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&o178" << 15.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("hex without digits") << "&H" << 0.0;
    QTest::newRow("sign then letters") << "-x" << 0.0;
    QTest::newRow("sign then a point") << "-." << 0.0;
    QTest::newRow("full-width digits") << QStringLiteral("２００５") << 0.0;
    QTest::newRow("many leading zeros") << "0000000000000000000000012" << 12.0;
    QTest::newRow("hex zero digit") << "&H10" << 16.0;
    QTest::newRow("hex a and A") << "&Ha&HA" << 10.0;
    QTest::newRow("hex F") << "&HF" << 15.0;
    QTest::newRow("hex stops at G") << "&H1G" << 1.0;
    QTest::newRow("hex then a carriage return") << "&HFF\r" << 255.0;
    QTest::newRow("octal zero digit") << "&O70" << 56.0;
    QTest::newRow("H as second character, no ampersand") << "1H2" << 1.0;
    QTest::newRow("exponent of two digits") << "1e12" << 1e12;
    QTest::newRow("exponent stops at a letter") << "1e2x3" << 100.0;
    QTest::newRow("a slash is no digit of the exponent") << "1e/2" << 1.0;
}

void TstLeadingNumber::read()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(LeadingNumber(text), number);
    // No digit read is 0, not -0.
    QCOMPARE(std::signbit(LeadingNumber(text)), std::signbit(number));
}

void TstLeadingNumber::tooLargeForADouble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("exponent beyond range") << "1E999" << inf;
    QTest::newRow("negative beyond range") << "-5e400" << -inf;
    QTest::newRow("endless exponent") << "9e99999999999999999999" << inf;
    QTest::newRow("tiny") << "1e-999" << 0.0;
    QTest::newRow("many digits") << QString(400, QLatin1Char('9')) << inf;
    QTest::newRow("fraction then huge exponent") << "0.0001e400" << inf;
    QTest::newRow("tiny fraction, small exponent")
        << "." + QString(330, QLatin1Char('0')) + "1e1" << 0.0;
    QTest::newRow("negative tiny fraction") << "-0." + QString(400, QLatin1Char('0')) + "5" << -0.0;
}

void TstLeadingNumber::tooLargeForADouble()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(LeadingNumber(text), number);
}

void TstLeadingNumber::pointIsAlwaysADot()
{
    // A locale whose decimal mark is a comma must not change the reading.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        std::setlocale(LC_NUMERIC, "C");
    QCOMPARE(LeadingNumber(u"2.5"), 2.5);
    QCOMPARE(LeadingNumber(u"2,5"), 2.0);
    std::setlocale(LC_NUMERIC, "C");
}

QTEST_APPLESS_MAIN(TstLeadingNumber)
#include "tst_leadingnumber.moc"
