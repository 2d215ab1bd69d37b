// The input box: a modal prompt with a title and a starting text that gives back the typed text,
// or an empty text on Cancel. Tests install a responder that answers instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

struct InputRecord {
    QString prompt;
    QString title;
    QString text; // the text the box starts with
};

QString inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& text = {});

using InputResponder = std::function<QString(const InputRecord&)>;
// Replaces the real box; pass an empty function to restore it.
void setInputResponder(InputResponder responder);

} // namespace platform
