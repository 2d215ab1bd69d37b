#include "front_panel/real_time_range.h"

#include "front_panel/panel.h"
#include "front_panel/real_time_graph.h"
#include "logger_data/number_text.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using platform::designFont;
using platform::px;
using platform::rectTwips;

namespace {

QPointer<RealTimeRange> openRange;

QString variantText(const QVariant& v) {
    return v.typeId() == QMetaType::QString ? v.toString() : ShortestNumber(v.toDouble());
}

// What the range takes from a box: the text as typed when it is a number as a whole, else the
// value the test read from it, so the labels and the scaling agree with the test.
QVariant storedValue(const QString& text) {
    return IsWholeNumberText(text) ? QVariant(text) : QVariant(LeadingNumber(text));
}

enum class KeyKind { Enter, Pass, Reject };

// Keys that type a character pass only when `allowed` holds them; navigation keys always pass.
KeyKind classify(const QKeyEvent& e, const QString& allowed) {
    if (e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter)
        return KeyKind::Enter;
    if (e.key() == Qt::Key_Backspace || e.key() == Qt::Key_Tab || e.key() == Qt::Key_Backtab)
        return KeyKind::Pass;
    const QString t = e.text();
    if (!platform::TypesCharacter(t))
        return KeyKind::Pass;
    return t.size() == 1 && allowed.contains(t[0]) ? KeyKind::Pass : KeyKind::Reject;
}

const QString kNumberKeys = QStringLiteral("0123456789-.");
const QString kDigitKeys = QStringLiteral("0123456789");

} // namespace

RealTimeRange* RealTimeRange::current() {
    return openRange && !openRange->isUnloaded() ? openRange.data() : nullptr;
}

RealTimeRange::RealTimeRange(AppState& app, Panel& panel) : platform::Form(&panel), app_(app), panel_(panel) {
    setObjectName(QStringLiteral("RealTimeRange"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromLatin1(Caption));
    setFixedSize(px(3450), px(855));
    platform::fillBackground(*this, QColor(0, 128, 128));

    const auto caption = [this](const char* name, const char* text, int left) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(rectTwips(left, 120, 735, 375));
        l->setFont(designFont(QStringLiteral("Times New Roman"), 9.75, true));
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Panel | QFrame::Raised);
        l->setAutoFillBackground(true);
        l->setBackgroundRole(QPalette::Button);
        l->setFocusPolicy(Qt::NoFocus);
        return l;
    };
    const auto box = [this](const char* name, int left) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(rectTwips(left, 480, 735, 285));
        t->installEventFilter(this);
        return t;
    };
    SSPanel1 = caption("SSPanel1", "Min", 120);
    TxtMin = box("TxtMin", 120);
    SSPanel3 = caption("SSPanel3", "Max", 960);
    TxtMax = box("TxtMax", 960);
    SSPanel2 = caption("SSPanel2", "Counts", 1800);
    TxtCounts = box("TxtCounts", 1800);
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(rectTwips(2640, 120, 735, 615));
    CmdOK->setFont(designFont(QStringLiteral("Times New Roman"), 18, true));
    connect(CmdOK, &QPushButton::clicked, this, &RealTimeRange::CmdOK_Click);

    // Counts, OK, Min, Max, and round again.
    setTabOrder(TxtCounts, CmdOK);
    setTabOrder(CmdOK, TxtMin);
    setTabOrder(TxtMin, TxtMax);
    TxtCounts->setFocus();

    Form_Load();
}

void RealTimeRange::Form_Load() {
    const LiveGraphState& st = app_.liveGraph;
    const float counts = st.GraphPlotWidth / st.GraphStepX;
    TxtCounts->setText(QString::number(static_cast<long long>(RoundHalfEven(counts))));
    TxtMax->setText(variantText(st.GraphMax));
    TxtMin->setText(variantText(st.GraphMin));
}

bool RealTimeRange::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto& key = static_cast<QKeyEvent&>(*event);
        if (watched == TxtMax)
            return TxtMax_KeyPress(key);
        if (watched == TxtMin)
            return TxtMin_KeyPress(key);
        if (watched == TxtCounts)
            return TxtCounts_KeyPress(key);
    }
    return platform::Form::eventFilter(watched, event);
}

bool RealTimeRange::TxtMax_KeyPress(QKeyEvent& key) {
    const KeyKind kind = classify(key, kNumberKeys);
    if (kind == KeyKind::Enter)
        TxtMin->setFocus();
    return kind != KeyKind::Pass;
}

bool RealTimeRange::TxtMin_KeyPress(QKeyEvent& key) {
    const KeyKind kind = classify(key, kNumberKeys);
    if (kind == KeyKind::Enter)
        TxtCounts->setFocus();
    return kind != KeyKind::Pass;
}

bool RealTimeRange::TxtCounts_KeyPress(QKeyEvent& key) {
    const KeyKind kind = classify(key, kDigitKeys);
    if (kind == KeyKind::Enter)
        CmdOK_Click();
    return kind != KeyKind::Pass;
}

void RealTimeRange::CmdOK_Click() {
    LiveGraphState& st = app_.liveGraph;
    const double max = LeadingNumber(TxtMax->text());
    const double min = LeadingNumber(TxtMin->text());
    if (max <= min || max > st.GraphFullMax || min < st.GraphFullMin) {
        Hold hold(*this);
        platform::msgBox(this,
                         ShortestNumber(st.GraphFullMin) + QStringLiteral(" <= Temperature <= ") +
                             ShortestNumber(st.GraphFullMax) + QStringLiteral(", try again!"),
                         platform::MsgIcon::Critical);
        return;
    }
    st.GraphMax = storedValue(TxtMax->text());
    st.GraphMin = storedValue(TxtMin->text());

    const double counts = LeadingNumber(TxtCounts->text());
    if (counts > MaxCounts || counts < MinCounts) {
        Hold hold(*this);
        platform::msgBox(this,
                         QStringLiteral("10 <= Counts <= ") + QStringLiteral("864000") +
                             QStringLiteral(", try again!"),
                         platform::MsgIcon::Critical);
        return;
    }

    st.GraphStepX = static_cast<float>(st.GraphPlotWidth / counts);
    ShowLiveGraph(app_, panel_);
    Unload();
}

RealTimeRange* ShowRealTimeRange(AppState& app, Panel& panel) {
    if (RealTimeRange* open = RealTimeRange::current()) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* range = new RealTimeRange(app, panel);
    openRange = range;
    range->show();
    return range;
}
