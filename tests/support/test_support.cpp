#include "tests/support/test_support.h"

#include "platform/pump.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace testing {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

bool lineMatches(const QByteArray& heard, const QByteArray& expected, Polls polls) {
    const QString poll = polls == Polls::Between ? QStringLiteral("(?:A+M)*") : QString();
    QString pattern = QStringLiteral("^");
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const char c = expected[i];
        pattern += poll;
        if (c == 'A' && i + 1 < expected.size() && expected[i + 1] == 'J') {
            // A run of readings as one counted group: nested repeats would make a failing match
            // take exponential time.
            int pairs = 0;
            while (i + 1 < expected.size() && expected[i] == 'A' && expected[i + 1] == 'J') {
                ++pairs;
                i += 2;
            }
            --i;
            pattern += QStringLiteral("(?:A+J){%1,}").arg(pairs);
        } else {
            pattern += c == 'A' ? QStringLiteral("A+")
                                : QRegularExpression::escape(QString(QChar(static_cast<uchar>(c))));
        }
    }
    pattern += poll + QStringLiteral("$");
    const QRegularExpression re(pattern, QRegularExpression::DotMatchesEverythingOption);
    return re.match(QString::fromLatin1(heard)).hasMatch();
}

bool lineMatches(const QString& heard, const QString& expected, Polls polls) {
    return lineMatches(heard.toLatin1(), expected.toLatin1(), polls);
}

QByteArray lineDiff(const QByteArray& heard, const QByteArray& expected) {
    return "heard " + heard.toHex(' ') + ", expected " + expected.toHex(' ');
}

QByteArray lineDiff(const QString& heard, const QString& expected) {
    return "heard \"" + heard.toLatin1() + "\", expected \"" + expected.toLatin1() + "\"";
}

bool waitUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        const qint64 left = static_cast<qint64>(seconds * 1000) - t.elapsed();
        if (left <= 0)
            return false;
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(static_cast<int>(std::min<qint64>(left, 20)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void pumpFor(double seconds) {
    waitUntil([] { return false; }, seconds);
}

MessageCapture::MessageCapture(platform::MsgResult a) : answer(a) {
    platform::setMsgResponder([this](const platform::MsgRecord& r) {
        boxes.append(r);
        return answer;
    });
}

MessageCapture::~MessageCapture() {
    platform::setMsgResponder({});
}

QStringList MessageCapture::texts() const {
    QStringList out;
    for (const auto& b : boxes)
        out << b.text;
    return out;
}

QList<int>& EndCapture::codes() {
    static QList<int> c;
    return c;
}

EndCapture::EndCapture() {
    codes().clear();
    platform::setEndProgramHook([](int code) { codes().append(code); });
}

EndCapture::~EndCapture() {
    platform::setEndProgramHook(nullptr);
}

CaptionLog::CaptionLog(QWidget* w) : w_(w) {
    w->installEventFilter(this);
}

bool CaptionLog::eventFilter(QObject*, QEvent* e) {
    if (e->type() == QEvent::WindowTitleChange)
        captions << w_->windowTitle();
    return false;
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    char name[] = "/tmp/vantrel-stderr-XXXXXX";
    file_ = ::mkstemp(name);
    if (file_ < 0)
        return;
    ::unlink(name);
    saved_ = ::dup(2);
    ::dup2(file_, 2);
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    if (saved_ >= 0) {
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    if (file_ >= 0)
        ::close(file_);
}

QString StderrCapture::text() const {
    std::fflush(stderr);
    if (file_ < 0)
        return {};
    QByteArray all;
    char buf[4096];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(file_, buf, sizeof buf, at);
        if (n <= 0)
            break;
        all.append(buf, n);
        at += n;
    }
    return QString::fromLocal8Bit(all);
}

void typeIntoBox(QLineEdit* edit, const QString& typed, const QString& text) {
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), text);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), text.chopped(1));
}

OnEvent::OnEvent(QObject* watched, QEvent::Type type, std::function<void()> action)
    : watched_(watched), type_(type), action_(std::move(action)) {
    watched->installEventFilter(this);
}

bool OnEvent::eventFilter(QObject* watched, QEvent* e) {
    if (watched == watched_ && e->type() == type_)
        action_();
    return false;
}

QString pressEditKeys(QLineEdit* edit, const QList<int>& keys) {
    edit->setFocus();
    for (const int key : keys) {
        const QString text = key == Qt::Key_Delete ? QStringLiteral("\x7f") : QString();
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(key), text, Qt::NoModifier);
    }
    return edit->text();
}

void tabWalks(const QList<QWidget*>& order) {
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

QString artifactsDir() {
    QString dir = qEnvironmentVariable("VANTREL_ARTIFACTS");
    if (dir.isEmpty())
        dir = QDir::temp().filePath(QStringLiteral("vantrel-artifacts"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace testing
