// The input box as a person meets it: shown modally with its title, prompt and starting text,
// answered from the keyboard or the mouse.
#include "platform/input_box.h"
#include "tests/support/modal.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestInputBox : public QObject {
    Q_OBJECT
private slots:
    void answered_data();
    void answered();
    void responderAnswersInstead();
};

void TestInputBox::answered_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("finish");
    QTest::addColumn<QString>("result");
    // The starting text is selected, so typing replaces it.
    QTest::newRow("typed, Enter") << "15"
                                  << "enter"
                                  << "15";
    QTest::newRow("typed, OK clicked") << "2.5"
                                       << "ok"
                                       << "2.5";
    QTest::newRow("untouched, Enter keeps the starting text") << ""
                                                              << "enter"
                                                              << "2";
    QTest::newRow("typed, Escape") << "15"
                                   << "escape"
                                   << "";
    QTest::newRow("typed, Cancel clicked") << "15"
                                           << "cancel"
                                           << "";
    QTest::newRow("emptied, OK") << "\b"
                                 << "ok"
                                 << "";
}

void TestInputBox::answered() {
    QFETCH(QString, typed);
    QFETCH(QString, finish);
    QFETCH(QString, result);
    const QString prompt = QStringLiteral("Enter the value\r\n(1 <= t <= 9 ) ");
    QString seenPrompt, seenText;
    bool wasModal = false;
    testing::whenShown(QStringLiteral("InputBox"), [&](QWidget* box) {
        wasModal = box->isModal();
        auto* edit = box->findChild<QLineEdit*>(QStringLiteral("TxtInput"));
        seenPrompt = box->findChild<QLabel*>(QStringLiteral("LblPrompt"))->text();
        seenText = edit->text();
        if (QTest::currentDataTag() == QLatin1String("typed, Enter"))
            box->grab().save(QDir(testing::artifactsDir()).filePath(QStringLiteral("input_box.png")));
        if (typed == QLatin1String("\b"))
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, typed);
        if (finish == QLatin1String("enter"))
            QTest::keyClick(edit, Qt::Key_Return);
        else if (finish == QLatin1String("escape"))
            QTest::keyClick(edit, Qt::Key_Escape);
        else
            QTest::mouseClick(
                box->findChild<QPushButton*>(finish == QLatin1String("ok") ? "CmdOK" : "CmdCancel"),
                Qt::LeftButton);
    });
    const QString answer = platform::inputBox(nullptr, prompt, QStringLiteral("Title"), QStringLiteral("2"));
    QVERIFY(wasModal);
    QCOMPARE(seenPrompt, prompt);
    QCOMPARE(seenText, QStringLiteral("2"));
    QCOMPARE(answer, result);
}

void TestInputBox::responderAnswersInstead() {
    platform::InputRecord seen;
    platform::setInputResponder([&](const platform::InputRecord& r) {
        seen = r;
        return QStringLiteral("42");
    });
    const QString answer =
        platform::inputBox(nullptr, QStringLiteral("P"), QStringLiteral("T"), QStringLiteral("S"));
    platform::setInputResponder({});
    QCOMPARE(answer, QStringLiteral("42"));
    QCOMPARE(seen.prompt, QStringLiteral("P"));
    QCOMPARE(seen.title, QStringLiteral("T"));
    QCOMPARE(seen.text, QStringLiteral("S"));
}

QTEST_MAIN(TestInputBox)
#include "test_input_box.moc"
