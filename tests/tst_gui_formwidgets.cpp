// The form widgets: a name field must never take more bytes than its record field holds, whatever the
// characters, and the mirrored check boxes must stay opposite.

#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CRegExpValidator.h"

#include <QApplication>
#include <QLineEdit>

class TestFormWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void byteLimit_data();
    void byteLimit();
    void typingStopsAtTheLimit();
    void mirroredCheckBoxes();
};

void TestFormWidgets::byteLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const QString han = QStringLiteral("\u8def"); // three bytes in UTF-8
    QTest::newRow("32 ascii") << QString(32, QLatin1Char('a')) << true;
    QTest::newRow("33 ascii") << QString(33, QLatin1Char('a')) << false;
    QTest::newRow("10 han, 30 bytes") << han.repeated(10) << true;
    QTest::newRow("10 han and 2 ascii, 32 bytes") << han.repeated(10) + QStringLiteral("ab") << true;
    QTest::newRow("11 han, 33 bytes") << han.repeated(11) << false;
    QTest::newRow("16 two-byte") << QStringLiteral("\u00e9").repeated(16) << true;
    QTest::newRow("17 two-byte") << QStringLiteral("\u00e9").repeated(17) << false;
}

void TestFormWidgets::byteLimit()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    CRegExpValidator validator(32);
    int pos = 0;
    QCOMPARE(validator.validate(text, pos) == QValidator::Acceptable, accepted);
    QCOMPARE(validator.validate(text, pos) == QValidator::Invalid, !accepted);
}

void TestFormWidgets::typingStopsAtTheLimit()
{
    // The expression still applies within the limit, and the edit refuses the keystroke past it.
    CRegExpValidator validator(4, QRegularExpression(QStringLiteral("[0-9]*")));
    QLineEdit edit;
    edit.setValidator(&validator);
    QTest::keyClicks(&edit, QStringLiteral("12x3456"));
    QCOMPARE(edit.text(), QStringLiteral("1234"));
}

void TestFormWidgets::mirroredCheckBoxes()
{
    CCheckBox source(QStringLiteral("Whole week"));
    CCheckBox mirror(QStringLiteral("Monday"));
    connect(&source, &QCheckBox::toggled, &mirror, &CCheckBox::SetUnChecked);
    source.setChecked(true);
    QVERIFY(!mirror.isChecked());
    source.setChecked(false);
    QVERIFY(mirror.isChecked());
}

VARROW_TEST_MAIN(TestFormWidgets, QApplication)
#include "tst_gui_formwidgets.moc"
