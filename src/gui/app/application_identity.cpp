#include "app/application_identity.h"

#include <QGuiApplication>

#include "app/project_lifecycle.h"

namespace zel {

void SetApplicationIdentity() {
    QGuiApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("zelvane"));
}

} // namespace zel
