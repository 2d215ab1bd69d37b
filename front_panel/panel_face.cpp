// The meter's face: shapes, display labels, keys, name plate and status line; painting of the
// clear-prompt and normal screens; the keypad.
#include "front_panel/panel.h"

#include "meter_link/decode.h"
#include "platform/twips.h"

using platform::designFont;
using platform::rectTwips;

void Panel::buildFace() {
    LblValue = new QLabel(this);
    LblValue->setObjectName(QStringLiteral("LblValue"));
    LblValue->setGeometry(rectTwips(240, 1065, 4335, 1125));
    LblValue->setFont(designFont(QStringLiteral("Arial"), 48, true));
    LblValue->setAlignment(Qt::AlignCenter);

    LblCOM = new QLabel(QStringLiteral("COM2"), this);
    LblCOM->setObjectName(QStringLiteral("LblCOM"));
    LblCOM->setGeometry(rectTwips(2400, 6360, 2300, 540));
    LblCOM->setFont(designFont(QStringLiteral("Times New Roman"), 24, true));
    LblCOM->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblCOM->setStyleSheet(QStringLiteral("color: rgb(255,0,0);"));

    LblFileName = new QLabel(this);
    LblFileName->setObjectName(QStringLiteral("LblFileName"));
    LblFileName->setGeometry(rectTwips(375, 6360, 2000, 300));
    LblRec = new QLabel(this);
    LblRec->setObjectName(QStringLiteral("LblRec"));
    LblRec->setGeometry(rectTwips(120, 6720, 900, 240));
    LblCount = new QLabel(this);
    LblCount->setObjectName(QStringLiteral("LblCount"));
    LblCount->setGeometry(rectTwips(1155, 6720, 1500, 240));
}

void Panel::ShowClearPrompt(const QByteArray&) { LblValue->setText(QString()); }

void Panel::ShowNormal(const QByteArray& frame) {
    DisplayState& d = app_.display;
    if (!d.AnnOverload)
        FormatDigits(d, FrameByte(frame, 9), FrameByte(frame, 10));
    LblValue->setText(MainValueText(d, d.DigitText));
    BuildDisplayUnitText(d);
}

void Panel::LblCmd_MouseDown(int) {}
void Panel::LblCmd_MouseUp(int) {}
