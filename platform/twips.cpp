#include "platform/twips.h"

#include <QStringList>
#include <QWidget>

namespace platform {

QFont designFont(const QString& family, double pointSize, bool bold) {
    QFont f(family);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    if (family == QLatin1String("Arial"))
        f.setFamilies(QStringList() << QString::fromLatin1("Arial")
                                    << QString::fromLatin1("Liberation Sans"));
    else if (family == QLatin1String("Times New Roman"))
        f.setFamilies(QStringList() << QString::fromLatin1("Times New Roman")
                                    << QString::fromLatin1("Liberation Serif"));
    else if (family == QLatin1String("MS Sans Serif"))
        f.setFamilies(QStringList() << QString::fromLatin1("MS Sans Serif")
                                    << QString::fromLatin1("Liberation Sans"));
    return f;
}

void fillBackground(QWidget& widget, const QColor& colour) {
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Window, colour);
    widget.setPalette(pal);
    widget.setAutoFillBackground(true);
}

} // namespace platform
