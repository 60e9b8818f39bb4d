// Draws the program's pictures: the four button faces (100 x 32), the picture strip
// (400 x 70), the start-up picture (410 x 273), each also at twice the size for
// high-density screens, and the program icon in six sizes.
//
//   quorvel-pictures <output folder>      (QT_QPA_PLATFORM=offscreen works)
//
// The PNGs are committed; run this only to change them.
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>
#include <iostream>

namespace {

const QString kFontFamily = QStringLiteral("Noto Sans CJK KR");

QFont Font(qreal pixels, int weight) {
  QFont font(kFontFamily);
  font.setPixelSize(static_cast<int>(std::lround(pixels)));
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

using Drawing = std::function<void(QPainter&)>;

// Renders `draw` (in logical pixels) at `scale` into <folder>/<name>[@2x].png.
bool Save(const QString& folder, const QString& name, QSize size, int scale, const Drawing& draw) {
  QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    draw(painter);
  }
  const QString file = folder + u'/' + name + (scale == 2 ? QStringLiteral("@2x") : QString()) +
                       QStringLiteral(".png");
  if (!image.save(file)) {
    std::cerr << "cannot write " << file.toStdString() << '\n';
    return false;
  }
  return true;
}

// ---- little icons, drawn into a square of side `s` at (0, 0) ----

void DrawHandset(QPainter& p, qreal s, const QColor& color) {
  // A telephone handset, tilted, made of two ear pieces joined by a curved grip.
  QPainterPath path;
  path.moveTo(0.18 * s, 0.10 * s);
  path.cubicTo(0.05 * s, 0.18 * s, 0.05 * s, 0.45 * s, 0.30 * s, 0.70 * s);
  path.cubicTo(0.55 * s, 0.95 * s, 0.82 * s, 0.95 * s, 0.90 * s, 0.82 * s);
  path.lineTo(0.72 * s, 0.64 * s);
  path.cubicTo(0.66 * s, 0.70 * s, 0.60 * s, 0.72 * s, 0.54 * s, 0.66 * s);
  path.lineTo(0.34 * s, 0.46 * s);
  path.cubicTo(0.28 * s, 0.40 * s, 0.30 * s, 0.34 * s, 0.36 * s, 0.28 * s);
  path.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPath(path);
}

void DrawArrows(QPainter& p, qreal s, const QColor& color) {
  // Two opposed arrows: data going out and coming in.
  p.setPen(QPen(color, 0.11 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(0.15 * s, 0.32 * s), QPointF(0.80 * s, 0.32 * s));
  p.drawPolyline(QPolygonF({QPointF(0.62 * s, 0.14 * s), QPointF(0.82 * s, 0.32 * s),
                            QPointF(0.62 * s, 0.50 * s)}));
  p.drawLine(QPointF(0.85 * s, 0.70 * s), QPointF(0.20 * s, 0.70 * s));
  p.drawPolyline(QPolygonF({QPointF(0.38 * s, 0.52 * s), QPointF(0.18 * s, 0.70 * s),
                            QPointF(0.38 * s, 0.88 * s)}));
}

void DrawPower(QPainter& p, qreal s, const QColor& color) {
  p.setPen(QPen(color, 0.12 * s, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(0.16 * s, 0.20 * s, 0.68 * s, 0.68 * s);
  p.drawArc(ring, 60 * 16, -300 * 16);
  p.drawLine(QPointF(0.5 * s, 0.08 * s), QPointF(0.5 * s, 0.50 * s));
}

// ---- the button faces ----

struct Face {
  const char* name;
  const char* label;
  QColor top, bottom;  // the face's colours
  std::function<void(QPainter&, qreal)> glyph;  // in a square at (0, 0)
  const char* badge;   // small number on the glyph, or nullptr
};

// Where a face's label goes, beside the glyph.
const QRectF kLabelBox(32, 0, 66, 32);

// One size for every label, the largest at which the longest still fits: the buttons
// sit side by side and must read as one row.
template <typename Faces>
QFont LabelFont(const Faces& faces) {
  QFont font = Font(12.5, QFont::Bold);
  auto fits = [&font, &faces] {
    for (const auto& face : faces)
      if (QFontMetricsF(font).horizontalAdvance(QString::fromLatin1(face.label)) >
          kLabelBox.width() - 2)
        return false;
    return true;
  };
  while (!fits() && font.pixelSize() > 8) font.setPixelSize(font.pixelSize() - 1);
  return font;
}

void DrawFace(QPainter& p, const Face& face, const QFont& labelFont) {
  const QRectF outer(0.5, 0.5, 99, 31);
  QLinearGradient fill(0, 0, 0, 32);
  fill.setColorAt(0, face.top);
  fill.setColorAt(1, face.bottom);
  p.setPen(QPen(face.bottom.darker(150), 1));
  p.setBrush(fill);
  p.drawRoundedRect(outer, 5, 5);
  // Gloss on the upper half.
  QLinearGradient gloss(0, 1, 0, 16);
  gloss.setColorAt(0, QColor(255, 255, 255, 110));
  gloss.setColorAt(1, QColor(255, 255, 255, 10));
  p.setPen(Qt::NoPen);
  p.setBrush(gloss);
  p.drawRoundedRect(QRectF(2, 1.5, 96, 14), 4, 4);

  // The glyph in a white disc.
  const QRectF disc(5, 4, 24, 24);
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawEllipse(disc);
  p.save();
  p.translate(disc.left() + 4, disc.top() + 4);
  face.glyph(p, 16);
  p.restore();
  if (face.badge) {
    const QRectF badge(20, 17, 12, 12);
    p.setBrush(QColor(255, 214, 10));
    p.setPen(QPen(face.bottom.darker(140), 1));
    p.drawEllipse(badge);
    p.setPen(QColor(40, 30, 0));
    p.setFont(Font(9, QFont::Bold));
    p.drawText(badge.adjusted(0, -0.5, 0, 0), Qt::AlignCenter, QString::fromLatin1(face.badge));
  }

  const QRectF textBox = kLabelBox;
  const QString label = QString::fromLatin1(face.label);
  p.setFont(labelFont);
  p.setPen(QColor(0, 0, 0, 90));
  p.drawText(textBox.translated(0, 1), Qt::AlignCenter, label);
  p.setPen(Qt::white);
  p.drawText(textBox, Qt::AlignCenter, label);
}

// ---- the modem drawing shared by the strip, the start-up picture and the icon ----

void DrawModem(QPainter& p, const QRectF& box, bool lights) {
  const qreal r = box.height() * 0.18;
  QLinearGradient body(box.topLeft(), box.bottomLeft());
  body.setColorAt(0, QColor(250, 251, 253));
  body.setColorAt(1, QColor(196, 204, 216));
  p.setPen(QPen(QColor(70, 80, 96), std::max(1.0, box.height() * 0.04)));
  p.setBrush(body);
  p.drawRoundedRect(box, r, r);
  // Front strip with the lights.
  const QRectF front(box.left() + box.width() * 0.08, box.top() + box.height() * 0.55,
                     box.width() * 0.84, box.height() * 0.25);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(46, 54, 68));
  p.drawRoundedRect(front, front.height() / 2, front.height() / 2);
  if (!lights) return;
  const QColor colors[] = {QColor(80, 230, 120), QColor(80, 230, 120), QColor(255, 190, 40),
                           QColor(90, 170, 255)};
  const qreal d = front.height() * 0.55;
  for (int i = 0; i < 4; ++i) {
    const QPointF centre(front.left() + front.width() * (0.16 + 0.2 * i), front.center().y());
    QRadialGradient glow(centre, d);
    glow.setColorAt(0, colors[i]);
    glow.setColorAt(1, colors[i].darker(160));
    p.setBrush(glow);
    p.drawEllipse(centre, d / 2, d / 2);
  }
}

void DrawLineWaves(QPainter& p, QPointF from, qreal length, qreal amplitude, const QColor& color,
                   qreal width) {
  QPainterPath wave(from);
  const int steps = 60;
  for (int i = 1; i <= steps; ++i) {
    const qreal x = from.x() + length * i / steps;
    const qreal phase = 6.2831853 * 2.5 * i / steps;
    wave.lineTo(x, from.y() + amplitude * std::sin(phase) * (i % 2 ? 1 : 1));
  }
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
}

void DrawBackdrop(QPainter& p, const QRectF& area) {
  QLinearGradient sky(area.topLeft(), area.bottomRight());
  sky.setColorAt(0, QColor(17, 44, 92));
  sky.setColorAt(1, QColor(9, 96, 150));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(area);
  // Faint grid: the digital line.
  p.setPen(QPen(QColor(255, 255, 255, 18), 1));
  for (qreal x = area.left(); x < area.right(); x += 14) p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  for (qreal y = area.top(); y < area.bottom(); y += 14) p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
}

void DrawStrip(QPainter& p) {
  const QRectF area(0, 0, 400, 70);
  DrawBackdrop(p, area);
  p.setPen(Qt::white);
  p.setFont(Font(20, QFont::Bold));
  p.drawText(QRectF(16, 9, 260, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ISDN MODEM Setup"));
  p.setPen(QColor(170, 205, 240));
  p.setFont(Font(11.5, QFont::Normal));
  p.drawText(QRectF(17, 38, 260, 18), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("전화 · 데이터 통신 · 모니터"));
  DrawLineWaves(p, QPointF(236, 47), 70, 4, QColor(120, 210, 255, 200), 1.6);
  DrawModem(p, QRectF(308, 20, 78, 34), true);
  p.setPen(QPen(QColor(255, 255, 255, 60), 1));
  p.drawLine(QPointF(0, 0.5), QPointF(400, 0.5));
}

void DrawLogo(QPainter& p) {
  const QRectF area(0, 0, 410, 273);
  DrawBackdrop(p, area);
  QRadialGradient light(QPointF(300, 90), 220);
  light.setColorAt(0, QColor(120, 200, 255, 90));
  light.setColorAt(1, QColor(120, 200, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(light);
  p.drawRect(area);

  DrawModem(p, QRectF(232, 62, 148, 64), true);
  DrawLineWaves(p, QPointF(40, 150), 330, 7, QColor(120, 210, 255, 170), 2.2);
  DrawLineWaves(p, QPointF(40, 160), 330, 4, QColor(255, 255, 255, 70), 1.2);

  p.setPen(Qt::white);
  p.setFont(Font(44, QFont::Bold));
  p.drawText(QRectF(28, 40, 220, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvel"));
  p.setPen(QColor(190, 220, 250));
  p.setFont(Font(14, QFont::Normal));
  p.drawText(QRectF(31, 98, 220, 22), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("ISDN MODEM Management"));

  p.setPen(QColor(255, 255, 255, 230));
  p.setFont(Font(13, QFont::Normal));
  p.drawText(QRectF(28, 188, 354, 22), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("ISDN 모뎀을 찾고 있습니다…"));
  p.setPen(QColor(160, 190, 225));
  p.setFont(Font(11, QFont::Normal));
  p.drawText(QRectF(28, 236, 354, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Version 1.9.8"));
  p.setPen(QPen(QColor(255, 255, 255, 90), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
}

void DrawIcon(QPainter& p, qreal s) {
  const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
  QLinearGradient fill(tile.topLeft(), tile.bottomRight());
  fill.setColorAt(0, QColor(25, 90, 170));
  fill.setColorAt(1, QColor(10, 140, 190));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(tile, s * 0.2, s * 0.2);
  DrawModem(p, QRectF(s * 0.14, s * 0.46, s * 0.72, s * 0.32), s >= 32);
  // The line to the exchange above it, as on the strip and the start-up picture (a wired
  // adapter: no radio arcs).
  const int periods = s >= 32 ? 2 : 1;
  const QPointF from(s * 0.18, s * 0.28);
  const qreal length = s * 0.64;
  const qreal amplitude = s * (s >= 32 ? 0.075 : 0.09);
  QPainterPath wave(from);
  for (int i = 1; i <= 48; ++i) {
    const qreal t = i / 48.0;
    wave.lineTo(from.x() + length * t, from.y() - amplitude * std::sin(6.2831853 * periods * t));
  }
  p.setPen(QPen(Qt::white, std::max(1.0, s * 0.055), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: quorvel-pictures <output folder>\n";
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);

  const Face faces[] = {
      {"button_phone1", "Phone 1", QColor(58, 132, 222), QColor(22, 78, 160),
       [](QPainter& p, qreal s) { DrawHandset(p, s, QColor(22, 78, 160)); }, "1"},
      {"button_phone2", "Phone 2", QColor(40, 170, 150), QColor(14, 110, 96),
       [](QPainter& p, qreal s) { DrawHandset(p, s, QColor(14, 110, 96)); }, "2"},
      {"button_datacomm", "Data Comm", QColor(240, 150, 50), QColor(190, 90, 10),
       [](QPainter& p, qreal s) { DrawArrows(p, s, QColor(190, 90, 10)); }, nullptr},
      {"button_quit", "Exit", QColor(226, 78, 70), QColor(160, 30, 30),
       [](QPainter& p, qreal s) { DrawPower(p, s, QColor(160, 30, 30)); }, nullptr},
  };
  const QFont labelFont = LabelFont(faces);
  bool ok = true;
  for (int scale : {1, 2}) {
    for (const Face& face : faces)
      ok &= Save(folder, QString::fromLatin1(face.name), QSize(100, 32), scale,
                 [&face, &labelFont](QPainter& p) { DrawFace(p, face, labelFont); });
    ok &= Save(folder, QStringLiteral("strip"), QSize(400, 70), scale, DrawStrip);
    ok &= Save(folder, QStringLiteral("logo"), QSize(410, 273), scale, DrawLogo);
  }
  for (int side : {16, 32, 48, 64, 128, 256})
    ok &= Save(folder, QStringLiteral("icon_%1").arg(side), QSize(side, side), 1,
               [side](QPainter& p) { DrawIcon(p, side); });
  return ok ? 0 : 1;
}
