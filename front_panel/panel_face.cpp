// The meter's face: shapes, display labels, keys, name plate and status line; painting of the
// clear-prompt and normal screens; the keypad.
#include "front_panel/panel.h"

#include "meter_link/decode.h"
#include "meter_link/meter.h"
#include "meter_link/settled_unit.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <functional>

using platform::designFont;
using platform::px;
using platform::rectTwips;

namespace {

// The desktop's system colours, as a classic desktop has them.
const QColor kWindowFrame(0, 0, 0);
const QColor kScrollBar(192, 192, 192);
const QColor kHighlightText(255, 255, 255);
const QColor kLabelText(0, 0, 0); // default label text

const QColor kGlass(255, 255, 128);
const QColor kDigits(0, 0, 255);
const QColor kKeyOrange(255, 128, 0);
const QColor kKeyGreen(0, 255, 0);
const QColor kMarkBack(0, 0, 0);
const QColor kNameRed(255, 0, 0);

const char* const kAnchor = "faceAnchor";
const char* const kDesign = "faceDesign";

// Where a label stays put when its text changes its size.
enum class Anchor { Left, Centre, Right };

// A filled rectangle, filled circle, circle outline or vertical line, as the face's shapes.
class FaceShape : public QWidget {
public:
    enum class Kind { Rect, Circle, Ring, Line };
    FaceShape(Kind kind, const QColor& colour, int lineWidth, QWidget* parent)
        : QWidget(parent), kind_(kind), colour_(colour), lineWidth_(lineWidth) {
        // Shapes take no mouse input; what lies behind them (or the window) gets it.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        switch (kind_) {
        case Kind::Rect:
        case Kind::Line:
            p.fillRect(rect(), colour_);
            break;
        case Kind::Circle:
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(colour_);
            p.drawEllipse(QRectF(rect()));
            break;
        case Kind::Ring: {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(colour_, lineWidth_));
            p.setBrush(Qt::NoBrush);
            const qreal in = lineWidth_ / 2.0;
            p.drawEllipse(QRectF(rect()).adjusted(in, in, -in, -in));
            break;
        }
        }
    }

private:
    Kind kind_;
    QColor colour_;
    int lineWidth_;
};

// A key's click area: transparent, in front of everything. Any mouse button works; Space or
// Enter with the keyboard focus on it works as a press held for as long as the key is down.
class KeyArea : public QLabel {
public:
    KeyArea(QWidget* parent, std::function<void()> down, std::function<void()> up)
        : QLabel(parent), down_(std::move(down)), up_(std::move(up)) {
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        e->accept();
        down_();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        e->accept();
        up_();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!isKeyKey(e))
            return QLabel::keyPressEvent(e);
        e->accept();
        if (!e->isAutoRepeat() && !keyDown_) {
            keyDown_ = true;
            down_();
        }
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!isKeyKey(e))
            return QLabel::keyReleaseEvent(e);
        e->accept();
        if (!e->isAutoRepeat() && keyDown_) {
            keyDown_ = false;
            up_();
        }
    }
    void focusOutEvent(QFocusEvent* e) override {
        // A key held from the keyboard is let go when the focus leaves, so its picture comes back.
        if (keyDown_) {
            keyDown_ = false;
            up_();
        }
        QLabel::focusOutEvent(e);
    }
    void paintEvent(QPaintEvent*) override {
        if (!hasFocus())
            return;
        QStylePainter p(this);
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, opt);
    }

private:
    static bool isKeyKey(const QKeyEvent* e) {
        return e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    }
    std::function<void()> down_, up_;
    bool keyDown_ = false;
};

void setTextColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

// Sizes a label to its text, keeping its design top and its anchor; an empty text keeps the
// design box.
void fitLabel(QLabel* l) {
    const QRect d = l->property(kDesign).toRect();
    if (l->text().isEmpty()) {
        l->setGeometry(d);
        return;
    }
    const QSize s = l->sizeHint();
    int x = d.x();
    switch (static_cast<Anchor>(l->property(kAnchor).toInt())) {
    case Anchor::Left:
        break;
    case Anchor::Centre:
        x = qRound(d.x() + d.width() / 2.0 - s.width() / 2.0);
        break;
    case Anchor::Right:
        x = d.x() + d.width() - s.width();
        break;
    }
    l->setGeometry(x, d.y(), s.width(), s.height());
}

struct LabelSpec {
    QString name;
    QRect design;
    QString caption;
    QFont font;
    QColor colour = kLabelText;
    Anchor anchor = Anchor::Centre;
    bool visible = true;
};

QLabel* makeLabel(QWidget* parent, const LabelSpec& s) {
    auto* l = new QLabel(s.caption, parent);
    l->setObjectName(s.name);
    l->setFont(s.font);
    setTextColour(l, s.colour);
    const Qt::Alignment h = s.anchor == Anchor::Left    ? Qt::AlignLeft
                            : s.anchor == Anchor::Right ? Qt::AlignRight
                                                        : Qt::AlignHCenter;
    l->setAlignment(h | Qt::AlignTop);
    l->setProperty(kDesign, s.design);
    l->setProperty(kAnchor, static_cast<int>(s.anchor));
    fitLabel(l);
    l->setVisible(s.visible);
    return l;
}

QLabel* makePicture(QWidget* parent, const QString& name, const QRect& r, const QString& resource,
                    bool visible) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(r);
    l->setPixmap(QPixmap(resource));
    l->setAlignment(Qt::AlignCenter);
    l->setVisible(visible);
    return l;
}

QWidget* makeShape(QWidget* parent, const QString& name, FaceShape::Kind kind, const QRect& r,
                   const QColor& c, int lineWidth = 1) {
    auto* s = new FaceShape(kind, c, lineWidth, parent);
    s->setObjectName(name);
    s->setGeometry(r);
    return s;
}

QString indexed(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

QFont arialBold(double pt) {
    return designFont(QStringLiteral("Arial"), pt, true);
}

struct KeySpec {
    int cmdLeft, cmdTop, bodyLeft, bodyTop, circleLeft, circleTop, symLeft, symTop;
    const char* symbol;
    QRect img; // twips
    const char* imgPicture;
    const char* accessibleName;
};

// Keys 0 to 2 are the right column (circle at the right end), 3 to 5 the left column.
const KeySpec kKeys[Panel::KeyCount] = {
    {2520, 2925, 2580, 2985, 3660, 2985, 3000, 3000, ":/face/sym_mode.png", QRect(2880, 3150, 690, 180),
     ":/face/word_mode.png", "HOLD"},
    {2520, 3975, 2580, 4035, 3660, 4035, 3000, 4020, ":/face/sym_up.png", QRect(3000, 4035, 480, 480),
     ":/face/sym_up.png", "POWER / %"},
    {2520, 4995, 2580, 5070, 3660, 5070, 3000, 5080, ":/face/sym_down.png", QRect(3000, 5085, 480, 480),
     ":/face/sym_down.png", "READ"},
    {600, 4995, 900, 5070, 660, 5070, 1320, 5070, ":/face/sym_right.png", QRect(1350, 5055, 480, 480),
     ":/face/sym_right.png", "MEMORY"},
    {600, 3975, 900, 4035, 660, 4035, 1200, 4080, ":/face/sym_return.png", QRect(1260, 4065, 480, 480),
     ":/face/sym_return.png", "SET"},
    {600, 2925, 900, 2970, 660, 2970, 1200, 3000, ":/face/sym_time.png", QRect(1260, 3150, 555, 180),
     ":/face/word_time.png", "POWER"},
};

QRect twips(const QRect& r) {
    return rectTwips(r.x(), r.y(), r.width(), r.height());
}

} // namespace

void Panel::buildFace() {
    using Kind = FaceShape::Kind;

    // Back of the face: body, bezel, glass.
    Shape2 =
        makeShape(this, QStringLiteral("Shape2"), Kind::Rect, rectTwips(0, 480, 4815, 5775), kWindowFrame);
    Shape3 =
        makeShape(this, QStringLiteral("Shape3"), Kind::Rect, rectTwips(120, 600, 4575, 1815), kScrollBar);
    Sh0 = makeShape(this, QStringLiteral("Sh(0)"), Kind::Rect, rectTwips(240, 720, 4335, 1575), kGlass);

    // The power symbol, the legend of key 5. The line is 3 pixels wide around x 1440.
    Shape1 =
        makeShape(this, QStringLiteral("Shape1"), Kind::Ring, rectTwips(1260, 2475, 375, 375), kKeyGreen, 3);
    Line1 = makeShape(this, QStringLiteral("Line1"), Kind::Line,
                      QRect(px(1440) - 1, px(2595), 3, px(2715 - 2595)), kKeyGreen);

    // The face pictures under the key bodies.
    for (int i = 0; i < KeyCount; ++i)
        Img[i] = makePicture(this, indexed("Img", i), twips(kKeys[i].img),
                             QString::fromLatin1(kKeys[i].imgPicture), true);

    // Key bodies, legends, circles.
    for (int i = 0; i < KeyCount; ++i) {
        const KeySpec& k = kKeys[i];
        const QColor c = i == 5 ? kKeyGreen : kKeyOrange;
        ShapeR[i] =
            makeShape(this, indexed("ShapeR", i), Kind::Rect, rectTwips(k.bodyLeft, k.bodyTop, 1335, 495), c);
        ShapeC[i] = makeShape(this, indexed("ShapeC", i), Kind::Circle,
                              rectTwips(k.circleLeft, k.circleTop, 495, 495), c);
    }
    const auto legend = [this](const char* name, const char* text, int left, int top) {
        return makeLabel(this, {name, rectTwips(left, top, 0, 0), QString::fromLatin1(text), arialBold(12),
                                kHighlightText, Anchor::Left});
    };
    Label1 = legend("Label1", "HOLD", 2880, 2640);
    Label2 = legend("Label2", "MEMORY", 960, 4785);
    Label3 = legend("Label3", "SET", 1260, 3720);
    Label4 = legend("Label4", "POWER / %", 2760, 3720);
    Label5 = legend("Label5", "READ", 2820, 4785);

    // The name plate.
    LblName = makeLabel(this, {"LblName", rectTwips(600, 5760, 3585, 360),
                               QStringLiteral("SOLAR POWER METER"), arialBold(15.75), kHighlightText});
    platform::fillBackground(*LblName, kMarkBack);

    // Display texts and indicators.
    LblValue = makeLabel(this, {"LblValue", rectTwips(2100, 1065, 285, 1125), {}, arialBold(48), kDigits});
    LblOLCLR = makeLabel(this, {"LblOLCLR", rectTwips(1980, 1065, 285, 1125), {}, arialBold(48), kDigits});
    LblYESNO = makeLabel(this, {"LblYESNO", rectTwips(675, 1365, 75, 225), {}, arialBold(9)});
    for (int k = 0; k < 2; ++k)
        LblMem[k] = makeLabel(
            this, {indexed("LblMem", k), rectTwips(645 + 180 * k, 1665, 90, 360), {}, arialBold(15.75)});
    const int calLeft[4] = {420, 570, 720, 855};
    for (int k = 0; k < 4; ++k)
        LblCal[k] = makeLabel(this, {indexed("LblCal", k),
                                     rectTwips(calLeft[k], 1365, 60, 285),
                                     {},
                                     arialBold(12),
                                     kLabelText,
                                     Anchor::Left});
    CalDot = makeLabel(this, {"CalDot", rectTwips(525, 1365, 60, 285), QStringLiteral("."), arialBold(12),
                              kLabelText, Anchor::Left, false});
    MarkCal = makeLabel(this, {"MarkCal", rectTwips(420, 1125, 510, 285), QStringLiteral("CAL"),
                               arialBold(12), kLabelText, Anchor::Centre, false});
    const int tLeft[4] = {3045, 3225, 3525, 3705};
    for (int k = 0; k < 4; ++k)
        LblT[k] =
            makeLabel(this, {indexed("LblT", k), rectTwips(tLeft[k], 765, 90, 360), {}, arialBold(15.75)});
    LblAutoDot = makeLabel(this, {"LblAutoDot", rectTwips(3360, 720, 135, 360), QStringLiteral(":"),
                                  arialBold(15.75), kLabelText, Anchor::Centre, false});
    LblAutoDash = makeLabel(this, {"LblAutoDash", rectTwips(3345, 720, 135, 360), QStringLiteral("-"),
                                   arialBold(15.75), kLabelText, Anchor::Centre, false});
    LblMMA = makeLabel(this, {"LblMMA", rectTwips(1620, 825, 540, 285), QStringLiteral("MAX"), arialBold(12),
                              kLabelText, Anchor::Centre, false});
    const auto mark = [this](const char* name, const char* text, int left, int top, int width) {
        QLabel* l = makeLabel(this, {name, rectTwips(left, top, width, 285), QString::fromLatin1(text),
                                     arialBold(12), kGlass, Anchor::Centre, false});
        platform::fillBackground(*l, kMarkBack);
        return l;
    };
    LblH = mark("LblH", "H", 540, 825, 180);
    LblM = mark("LblM", "M", 360, 1665, 210);
    LblR = mark("LblR", "R", 360, 1665, 210); // made after LblM, so it lies in front
    ImgBT = makePicture(this, QStringLiteral("ImgBT"), rectTwips(3900, 825, 480, 480),
                        QStringLiteral(":/face/battery.png"), false);

    // Unit labels: upper row at 1365, lower row at 1785; the two "2"s are raised and left-aligned.
    const auto unit = [this](const char* name, const char* text, int left, int width, bool upper) {
        return makeLabel(this, {name, rectTwips(left, upper ? 1365 : 1785, width, upper ? 225 : 210),
                                QString::fromLatin1(text), arialBold(upper ? 9 : 8.25), kLabelText,
                                Anchor::Centre, false});
    };
    const auto square = [this](const char* name, int left, int top) {
        return makeLabel(this,
                         {name, rectTwips(left, top, 90, 210), QStringLiteral("2"),
                          designFont(QStringLiteral("Arial"), 8.25, false), kLabelText, Anchor::Left, false});
    };
    UnitKUp = unit("UnitKUp", "k", 3420, 120, true);
    UnitW = unit("UnitW", "W", 3525, 180, true);
    Unith = unit("Unith", "h", 3705, 120, true);
    UnitM = unit("UnitM", "/M", 3810, 210, true);
    UnitM2 = square("UnitM2", 3960, 1245);
    UnitHUp = unit("UnitHUp", "/h", 4020, 150, true);
    UnitDUp = unit("UnitDUp", "d", 4170, 120, true);
    UnitPercent = unit("UnitPercent", "%", 4290, 150, true);
    UnitKDown = unit("UnitKDown", "k", 3405, 120, false);
    UnitBtu = unit("UnitBtu", "Btu/", 3495, 330, false);
    UnitF = unit("UnitF", "(ft    )", 3855, 420, false);
    UnitF2 = square("UnitF2", 4020, 1665);
    UnitDotH = unit("UnitDotH", ".h", 4050, 150, false);
    UnitHDown = unit("UnitHDown", "/h", 4260, 150, false);
    UnitDDown = unit("UnitDDown", "d", 4380, 120, false);

    // Key symbols, then the click areas in front of everything.
    for (int i = 0; i < KeyCount; ++i)
        Sym[i] = makePicture(this, indexed("Sym", i), rectTwips(kKeys[i].symLeft, kKeys[i].symTop, 480, 480),
                             QString::fromLatin1(kKeys[i].symbol), true);
    for (int i = 0; i < KeyCount; ++i) {
        auto* area = new KeyArea(
            this, [this, i] { LblCmd_MouseDown(i); }, [this, i] { LblCmd_MouseUp(i); });
        area->setObjectName(indexed("LblCmd", i));
        area->setGeometry(rectTwips(kKeys[i].cmdLeft, kKeys[i].cmdTop, 1635, 555));
        area->setAccessibleName(QString::fromLatin1(kKeys[i].accessibleName));
        LblCmd[i] = area;
    }

    // Status line, below the body. These captions are written elsewhere, so their boxes are wide
    // enough for any caption and the text is aligned inside them.
    const QFont windowFont = designFont(QStringLiteral("MS Sans Serif"), 8.25);
    LblCOM = new QLabel(QStringLiteral("COM2"), this);
    LblCOM->setObjectName(QStringLiteral("LblCOM"));
    LblCOM->setFont(designFont(QStringLiteral("Times New Roman"), 24, true));
    setTextColour(LblCOM, kNameRed);
    LblCOM->setAlignment(Qt::AlignRight | Qt::AlignTop);
    {
        // Right-aligned: the right edge stays where the design caption ends.
        const QSize s = LblCOM->sizeHint();
        const int right = px(3360) + s.width();
        const int left = px(2600);
        LblCOM->setGeometry(left, px(6360), right - left, s.height());
    }
    const auto status = [&](const char* name, int left, int top, int width) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(windowFont);
        setTextColour(l, kHighlightText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setGeometry(rectTwips(left, top, width, 240));
        return l;
    };
    LblFileName = status("LblFileName", 375, 6360, 2985);
    LblRec = status("LblRec", 120, 6720, 1035);
    LblCount = status("LblCount", 1155, 6720, 2000);
}

std::array<QLabel*, 15> Panel::unitLabels() const {
    return {UnitKUp,   UnitW,   Unith, UnitM,  UnitM2,   UnitHUp,   UnitDUp,  UnitPercent,
            UnitKDown, UnitBtu, UnitF, UnitF2, UnitDotH, UnitHDown, UnitDDown};
}

void Panel::setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    fitLabel(label);
}

void Panel::ShowClearPrompt(const QByteArray&) {
    const DisplayState& d = app_.display;
    setCaption(LblYESNO, d.AnnYes ? QStringLiteral("YES") : d.AnnNo ? QStringLiteral("NO") : QString());
    setCaption(LblOLCLR, QStringLiteral("CLR"));
    for (QLabel* u : unitLabels())
        u->hide();
    LblH->hide();
    LblMMA->setText(QString());
    for (QLabel* l : {ImgBT, MarkCal, LblM, LblR, CalDot, LblAutoDash, LblAutoDot})
        l->hide();
    for (int k = 0; k < 4; ++k) {
        setCaption(LblCal[k], QString());
        setCaption(LblT[k], QString());
    }
    setCaption(LblValue, QString());
    setCaption(LblMem[0], QString());
    setCaption(LblMem[1], QString());
}

void Panel::ShowNormal(const QByteArray& frame) {
    DisplayState& d = app_.display;
    setCaption(LblOLCLR, QString());
    setCaption(LblYESNO, QString());

    QString digits = FormatDigits(d, 0, ByteAt(frame, 6));
    setCaption(LblMem[0], digits.mid(2, 1));
    setCaption(LblMem[1], digits.mid(3, 1));

    digits = FormatDigits(d, ByteAt(frame, 7), ByteAt(frame, 8));
    CalDot->setVisible(d.AnnCalDot);
    for (int k = 0; k < 4; ++k)
        setCaption(LblCal[k], digits.mid(k, 1));

    if (!d.AnnOverload)
        FormatDigits(d, ByteAt(frame, 9), ByteAt(frame, 10));
    setCaption(LblValue, MainValueText(d, d.DigitText));

    digits = FormatDigits(d, ByteAt(frame, 11), ByteAt(frame, 12));
    for (int k = 0; k < 4; ++k)
        setCaption(LblT[k], digits.mid(k, 1));

    LblAutoDash->setVisible(d.AnnAutoDash);
    LblAutoDot->setVisible(d.AnnAutoDot);
    LblH->setVisible(d.AnnHold);

    QString mma;
    if (d.AnnMax)
        mma = d.AnnMin && d.AnnAvg ? QStringLiteral("MAX  MIN  AVG") : QStringLiteral("MAX");
    else if (d.AnnMin)
        mma = QStringLiteral("MIN");
    else if (d.AnnAvg)
        mma = QStringLiteral("AVG");
    LblMMA->setText(mma); // only read by the HOLD key; never shown

    ImgBT->setVisible(d.AnnBT);
    MarkCal->setVisible(d.AnnCal);
    LblM->setVisible(d.AnnM);
    LblR->setVisible(d.AnnR);

    BuildDisplayUnitText(d);
    SettleUnit(d);

    const bool shown[15] = {
        d.AnnKiloUpper,    d.AnnW,           d.AnnHourUpper, d.AnnPerM2,        d.AnnPerM2,
        d.AnnPerHourUpper, d.AnnPerDayUpper, d.AnnPercent,   d.AnnKiloLower,    d.AnnBtu,
        d.AnnPerFt2,       d.AnnPerFt2,      d.AnnDotH,      d.AnnPerHourLower, d.AnnPerDayLower};
    const auto units = unitLabels();
    for (int i = 0; i < 15; ++i)
        units[i]->setVisible(shown[i]);
}

namespace {

// The key's exchange runs from the event loop: a window opened meanwhile does not hold it up.
Task<void> sendKey(Panel& panel, char letter) {
    MeterCommand command(panel.line);
    if (!command.taken())
        co_return;
    const bool sent = co_await KeyCommand(panel.line, letter);
    if (sent || !command.line() || panel.line.cancelled())
        co_return;
    command.end();
    platform::msgBox(&panel, QString::fromLatin1(MeterNotAnswering), platform::MsgIcon::Critical);
}

} // namespace

char Panel::KeyLetter(int key, bool longPress, const QString& mmaCaption) {
    switch (key) {
    case 0:
        if (mmaCaption.isEmpty())
            return longPress ? 'X' : 'H';
        return longPress ? 'E' : 'X';
    case 1:
        return 'P';
    case 2:
        return 'R';
    case 3:
        return longPress ? 'I' : 'B';
    case 4:
        return longPress ? 'C' : 'U';
    case 5:
        return longPress ? 'O' : 'T';
    default:
        return 0;
    }
}

void Panel::LblCmd_MouseDown(int key) {
    if (key < 0 || key >= KeyCount)
        return;
    // Pressed: the symbol stands alone on the body colour.
    ShapeC[key]->hide();
    ShapeR[key]->hide();
    Img[key]->hide();
    app_.link.KeyDownTime = platform::timeOfDay();
}

void Panel::LblCmd_MouseUp(int key) {
    if (key < 0 || key >= KeyCount)
        return;
    ShapeC[key]->show();
    ShapeR[key]->show();
    Img[key]->show();
    // Held time by the time of day, before the exchange: a press across midnight comes out
    // negative, so it is short.
    const float held = platform::timeOfDay() - app_.link.KeyDownTime;
    const bool longPress = held > KeyPressThreshold;
    if (line.busy())
        return; // another command runs: nothing is sent
    sendKey(*this, KeyLetter(key, longPress, LblMMA->text())).start();
}
