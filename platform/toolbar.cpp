#include "platform/toolbar.h"

#include "platform/twips.h"

#include <QApplication>
#include <QHBoxLayout>

namespace platform {

ToolbarButton::ToolbarButton(const QString& key, QWidget* parent) : QToolButton(parent), key_(key) {
    setObjectName(key);
    setAutoRaise(true);
    setIconSize(QSize(16, 16));
    setFocusPolicy(Qt::TabFocus);
}

void ToolbarButton::setImage(int oneBased, const ImageList* list) {
    image_ = oneBased;
    setIcon(list ? list->image(oneBased) : QIcon());
}

Toolbar::Toolbar(QWidget* parent) : QWidget(parent) {
    // The strip in the desktop's button colour, not the colour of the window it lies on.
    fillBackground(*this, QApplication::palette().color(QPalette::Button));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(0);
    row->addStretch(1);
}

ToolbarButton* Toolbar::addButton(const QString& key, const QString& toolTip, int image, bool enabled,
                                  bool visible) {
    auto* b = new ToolbarButton(key, this);
    b->setToolTip(toolTip);
    b->setAccessibleName(toolTip.isEmpty() ? key : toolTip);
    b->setImage(image, images_);
    b->setEnabled(enabled);
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->insertWidget(row->count() - 1, b); // before the stretch
    if (!visible)
        b->hide();
    buttons_.append(b);
    connect(b, &QToolButton::clicked, this, [this, b] {
        // A programmatic click() still reaches a hidden button; it must not act.
        if (b->isEnabled() && !b->isHidden())
            emit buttonClick(b);
    });
    return b;
}

ToolbarButton* Toolbar::button(int oneBased) const {
    return oneBased >= 1 && oneBased <= buttons_.size() ? buttons_[oneBased - 1] : nullptr;
}

ToolbarButton* Toolbar::button(const QString& key) const {
    for (ToolbarButton* b : buttons_)
        if (b->key() == key)
            return b;
    return nullptr;
}

} // namespace platform
