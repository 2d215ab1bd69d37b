// Toolbar and image-list controls: buttons told apart by a key, each with a tooltip and a
// picture taken from an image list by its 1-based index.
#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QToolButton>
#include <QWidget>

namespace platform {

class ImageList {
public:
    void add(const QIcon& icon) { images_.append(icon); }
    QIcon image(int oneBased) const { return oneBased >= 1 && oneBased <= images_.size() ? images_[oneBased - 1] : QIcon(); }
    int count() const { return static_cast<int>(images_.size()); }

private:
    QList<QIcon> images_;
};

class ToolbarButton : public QToolButton {
    Q_OBJECT
public:
    ToolbarButton(const QString& key, QWidget* parent = nullptr);
    QString key() const { return key_; }
    int image() const { return image_; }
    void setImage(int oneBased, const ImageList* list);

private:
    QString key_;
    int image_ = 0;
};

class Toolbar : public QWidget {
    Q_OBJECT
public:
    explicit Toolbar(QWidget* parent = nullptr);
    void setImageList(const ImageList* list) { images_ = list; }
    const ImageList* imageList() const { return images_; }
    // Adds a button at the end. A disabled or invisible button never delivers a click.
    ToolbarButton* addButton(const QString& key, const QString& toolTip, int image, bool enabled = true,
                             bool visible = true);
    ToolbarButton* button(int oneBased) const;
    ToolbarButton* button(const QString& key) const;
    int count() const { return static_cast<int>(buttons_.size()); }

signals:
    void buttonClick(platform::ToolbarButton* button);

private:
    const ImageList* images_ = nullptr;
    QList<ToolbarButton*> buttons_;
};

} // namespace platform
