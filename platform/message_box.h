// Message boxes with fixed texts, an icon and a title. Tests install a responder that records
// each box and answers it instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class MsgIcon { Critical, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel };
enum class MsgResult { Ok, Cancel };

struct MsgRecord {
    QString text;
    QString title;
    MsgIcon icon;
    MsgButtons buttons;
};

// The application title used on message boxes.
inline const char* const AppTitle = "Vantrel";

MsgResult msgBox(QWidget* parent, const QString& text, MsgIcon icon, const QString& title = AppTitle,
                 MsgButtons buttons = MsgButtons::Ok);

// A box that informs and returns at once: shown without a modal loop, so it never holds up
// whatever is running when it opens (a command waiting for the meter, say).
void msgNotice(QWidget* parent, const QString& text, MsgIcon icon, const QString& title = AppTitle);

using MsgResponder = std::function<MsgResult(const MsgRecord&)>;
// Replaces the real box; pass an empty function to restore it.
void setMsgResponder(MsgResponder responder);

// The hourglass pointer for the whole application, and back.
void setBusyPointer(bool busy);

} // namespace platform
