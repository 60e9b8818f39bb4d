// The program's pictures, compiled into the executable from resources/quorvel.qrc.
// Each picture exists at its nominal size and at twice that size (name@2x.png); the
// larger one is used on a high-density screen.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Makes sure the compiled-in resources are registered (they live in a static library).
void InitQuorvelResources();

// ":/pictures/<name>.png" (and its @2x sibling) as an icon.
QIcon PictureIcon(const QString& name);
// The picture at `size` logical pixels for a screen of `devicePixelRatio`.
QPixmap LoadPicture(const QString& name, QSize size, qreal devicePixelRatio);
// The program icon, in all its sizes.
QIcon ProgramIcon();

// Nominal sizes of the pictures.
inline constexpr QSize kButtonFaceSize{100, 32};
inline constexpr QSize kPictureStripSize{400, 70};
inline constexpr QSize kLogoSize{410, 273};
