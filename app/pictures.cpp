#include "app/pictures.h"

#include <QtGlobal>

void InitQuorvelResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(quorvel);
    return true;
  }();
  (void)registered;
}

QIcon PictureIcon(const QString& name) {
  InitQuorvelResources();
  // QIcon finds name@2x.png beside name.png by itself.
  return QIcon(QStringLiteral(":/pictures/%1.png").arg(name));
}

QPixmap LoadPicture(const QString& name, QSize size, qreal devicePixelRatio) {
  return PictureIcon(name).pixmap(size, devicePixelRatio);
}

QIcon ProgramIcon() {
  InitQuorvelResources();
  QIcon icon;
  for (int side : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/pictures/icon_%1.png").arg(side), QSize(side, side));
  return icon;
}
