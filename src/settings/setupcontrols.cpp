#include "settings/setupcontrols.h"

#include <QLabel>
#include <QPixmap>
#include <QVariant>

namespace {
const char* const kPicture = "rtPicture";
}

QString SensorSetupControls::picture(const QLabel* image) {
    return image ? image->property(kPicture).toString() : QString();
}

void SensorSetupControls::setPicture(QLabel* image, const QString& file) {
    if (!image) return;
    image->setProperty(kPicture, file);
    QPixmap p(file);
    if (p.isNull()) {
        // A missing picture file still shows the state as a coloured dot.
        p = QPixmap(12, 12);
        p.fill(file.contains(QLatin1String("green"), Qt::CaseInsensitive) ? Qt::green : Qt::red);
    }
    image->setPixmap(p);
}
