#include "logger_data/plot_range.h"

#include "logger_data/list_plot_launch.h"
#include "logger_data/logger_context.h"
#include "logger_data/number_text.h"
#include "logger_data/plot_rules.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

using platform::designFont;
using platform::rectTwips;

namespace {

constexpr int kBackspace = 8;
constexpr int kEnter = 13;

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// The value boxes take a sign and a point as well as digits; the record boxes digits only.
void filterValueKey(int& KeyAscii) {
    if (!(isDigit(KeyAscii) || KeyAscii == '-' || KeyAscii == '.' || KeyAscii == kBackspace ||
          KeyAscii == kEnter))
        KeyAscii = 0;
}

void filterRecordKey(int& KeyAscii) {
    if (!(isDigit(KeyAscii) || KeyAscii == kBackspace || KeyAscii == kEnter))
        KeyAscii = 0;
}

QLabel* captionPanel(QWidget* parent, const char* name, const QString& text, int left) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(rectTwips(left, 480, 855, 375));
    l->setFont(designFont(QStringLiteral("Times New Roman"), 9.75));
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setLineWidth(1);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLineEdit* textBox(QWidget* parent, const char* name, int left, const QString& allowed) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setGeometry(rectTwips(left, 840, 855, 285));
    // The default font, not the frame's caption font.
    t->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    // A paste takes no key filter: refuse pasted text the filter would not have let in.
    t->setValidator(new QRegularExpressionValidator(QRegularExpression(allowed), t));
    return t;
}

QGroupBox* frame(QWidget* parent, const char* name, int left) {
    auto* f = new QGroupBox(parent);
    f->setObjectName(QLatin1String(name));
    f->setGeometry(rectTwips(left, 0, 2055, 1335));
    f->setFont(designFont(QStringLiteral("Times New Roman"), 15.75, true));
    return f;
}

} // namespace

PlotRange::PlotRange(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    setObjectName(QStringLiteral("PlotRange"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromLatin1(Caption));
    setFixedSize(platform::px(ClientWidthTwips), platform::px(ClientHeightTwips));
    setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));

    FrameUnit = frame(this, "FrameUnit", 120);
    SSPanel1 = captionPanel(FrameUnit, "SSPanel1", QStringLiteral("Min"), 120);
    SSPanel2 = captionPanel(FrameUnit, "SSPanel2", QStringLiteral("Max"), 1080);
    TxtT1 = textBox(FrameUnit, "TxtT1", 120, QStringLiteral("[0-9.-]*"));
    TxtT2 = textBox(FrameUnit, "TxtT2", 1080, QStringLiteral("[0-9.-]*"));

    SSFrame2 = frame(this, "SSFrame2", 2280);
    SSFrame2->setTitle(QStringLiteral("Records"));
    SSPanel3 = captionPanel(SSFrame2, "SSPanel3", QStringLiteral("From"), 120);
    SSPanel4 = captionPanel(SSFrame2, "SSPanel4", QStringLiteral("To"), 1080);
    TxtR1 = textBox(SSFrame2, "TxtR1", 120, QStringLiteral("[0-9]*"));
    TxtR2 = textBox(SSFrame2, "TxtR2", 1080, QStringLiteral("[0-9]*"));

    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(rectTwips(4440, 840, 615, 495));
    CmdOK->setFont(designFont(QStringLiteral("Times New Roman"), 14.25, true));
    connect(CmdOK, &QPushButton::clicked, this, [this] { CmdOK_Click(); });

    for (QLineEdit* t : {TxtT1, TxtT2, TxtR1, TxtR2})
        t->installEventFilter(this);
    setTabOrder(TxtT1, TxtT2);
    setTabOrder(TxtT2, TxtR1);
    setTabOrder(TxtR1, TxtR2);
    setTabOrder(TxtR2, CmdOK);
    TxtT1->setFocus();

    Form_Load();
}

void PlotRange::Form_Load() {
    move(0, 0);
    const PlotState& p = ctx_.app->plot;
    FrameUnit->setTitle(p.PlotUnitLabel);
    TxtT1->setText(ShortestNumber(NumberOf(p.PlotValueMin)));
    TxtT2->setText(ShortestNumber(NumberOf(p.PlotValueMax)));
    TxtR1->setText(ShortestNumber(p.PlotFromRecord));
    TxtR2->setText(ShortestNumber(p.PlotToRecord));
}

void PlotRange::TxtT1_KeyPress(int& KeyAscii) {
    filterValueKey(KeyAscii);
    if (KeyAscii == kEnter)
        TxtT2->setFocus();
}

void PlotRange::TxtT2_KeyPress(int& KeyAscii) {
    filterValueKey(KeyAscii);
    if (KeyAscii == kEnter)
        TxtR1->setFocus();
}

void PlotRange::TxtR1_KeyPress(int& KeyAscii) {
    filterRecordKey(KeyAscii);
    if (KeyAscii == kEnter)
        TxtR2->setFocus();
}

void PlotRange::TxtR2_KeyPress(int& KeyAscii) {
    filterRecordKey(KeyAscii);
    if (KeyAscii == kEnter)
        CmdOK_Click();
}

bool PlotRange::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return platform::Form::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    int KeyAscii = 0;
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        KeyAscii = kEnter;
    else if (k->key() == Qt::Key_Backspace)
        KeyAscii = kBackspace;
    else if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || !platform::TypesCharacter(k->text()))
        return false; // moves the focus or edits the box; no character is typed
    else
        KeyAscii = k->text().at(0).unicode();

    const int typed = KeyAscii;
    if (watched == TxtT1)
        TxtT1_KeyPress(KeyAscii);
    else if (watched == TxtT2)
        TxtT2_KeyPress(KeyAscii);
    else if (watched == TxtR1)
        TxtR1_KeyPress(KeyAscii);
    else if (watched == TxtR2)
        TxtR2_KeyPress(KeyAscii);
    else
        return false;
    // Enter has done its step; a discarded character never reaches the box.
    return KeyAscii == 0 || typed == kEnter;
}

void PlotRange::CmdOK_Click() {
    const double t1 = LeadingNumber(TxtT1->text());
    const double t2 = LeadingNumber(TxtT2->text());
    const double r1 = LeadingNumber(TxtR1->text());
    const double r2 = LeadingNumber(TxtR2->text());
    PlotState& p = ctx_.app->plot;
    const QString refusal = CheckPlotRange(p, t1, t2, r1, r2);
    if (!refusal.isEmpty()) {
        Hold hold(*this);
        platform::msgBox(this, refusal, platform::MsgIcon::Critical);
        return;
    }
    UnloadListPlot(ctx_);
    p.PlotValueMin = t1;
    p.PlotValueMax = t2;
    p.PlotFromRecord = static_cast<float>(r1);
    p.PlotToRecord = static_cast<float>(r2);
    p.PlotRecordCount = static_cast<float>(r2 - r1 + 1);
    // Closed before the new plot draws, so a second OK cannot land in the middle of it.
    Hold hold(*this);
    Unload();
    ShowListPlot(ctx_);
}

void ShowPlotRange(LoggerContext& ctx) {
    if (!ctx.plotRange || ctx.plotRange->isUnloaded())
        ctx.plotRange = new PlotRange(ctx);
    PlotRange* dialog = ctx.plotRange;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->setWindowTitle(QStringLiteral("Plot Range ( ") + ctx.app->plot.PlotUnitLabel +
                           QStringLiteral(" )"));
}
