// Draws the splash picture (res/bitmaps/140.png, 400 x 300). Not part of the build; run
// it when the picture should change:
//   g++ -std=c++20 -fPIC tools/splashgen/SplashGen.cpp -o /tmp/splashgen \
//       $(pkg-config --cflags --libs Qt6Gui) && \
//   QT_QPA_PLATFORM=offscreen /tmp/splashgen res/bitmaps/140.png
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

void DrawBackground(QPainter& p, const QRect& area) {
  QLinearGradient bg(0, 0, 0, area.height());
  bg.setColorAt(0, QColor(18, 22, 30));
  bg.setColorAt(1, QColor(6, 8, 12));
  p.fillRect(area, bg);
}

// Radar scope on the left.
void DrawScope(QPainter& p) {
  const QPointF c(110, 140);
  const double r = 86;
  QRadialGradient glow(c, r);
  glow.setColorAt(0, QColor(20, 70, 40));
  glow.setColorAt(1, QColor(8, 20, 14));
  p.setBrush(glow);
  p.setPen(QPen(QColor(60, 200, 110), 2));
  p.drawEllipse(c, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 140, 80), 1));
  for (double k : {0.33, 0.66}) p.drawEllipse(c, r * k, r * k);
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
  // Sweep.
  QPainterPath sweep;
  sweep.moveTo(c);
  sweep.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 20, 50);
  sweep.closeSubpath();
  QColor sweepColour(90, 255, 140, 70);
  p.fillPath(sweep, sweepColour);
  p.setPen(QPen(QColor(140, 255, 170), 2));
  p.drawLine(c,
             QPointF(c.x() + r * std::cos(70 * M_PI / 180), c.y() - r * std::sin(70 * M_PI / 180)));
}

// Blips: servers, and a crosshair over one of them.
void DrawBlips(QPainter& p) {
  const QPointF blips[] = {{140, 95}, {160, 118}, {78, 170}, {125, 190}, {60, 120}};
  for (const QPointF& b : blips) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(180, 255, 200));
    p.drawEllipse(b, 3, 3);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(230, 60, 50), 2));
  const QPointF t(160, 118);
  p.drawEllipse(t, 11, 11);
  p.drawLine(QPointF(t.x() - 17, t.y()), QPointF(t.x() - 6, t.y()));
  p.drawLine(QPointF(t.x() + 6, t.y()), QPointF(t.x() + 17, t.y()));
  p.drawLine(QPointF(t.x(), t.y() - 17), QPointF(t.x(), t.y() - 6));
  p.drawLine(QPointF(t.x(), t.y() + 6), QPointF(t.x(), t.y() + 17));
}

void DrawName(QPainter& p) {
  QFont title(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(235, 235, 235));
  p.drawText(QRectF(212, 100, 180, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vyk"));
  p.setPen(QColor(230, 60, 50));
  p.drawText(QRectF(212, 140, 180, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Finder"));
  QFont sub(QStringLiteral("DejaVu Sans"), 9);
  p.setFont(sub);
  p.setPen(QColor(120, 170, 135));
  p.drawText(QRectF(214, 188, 180, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Quake III server browser"));
  p.setPen(QPen(QColor(60, 200, 110), 1));
  p.drawLine(QPointF(214, 186), QPointF(380, 186));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) return 2;
  const int w = 400, h = 300;
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  DrawBackground(p, img.rect());
  DrawScope(p);
  DrawBlips(p);
  DrawName(p);
  // Frame.
  p.setPen(QPen(QColor(60, 70, 85), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(1, 1, w - 2, h - 2));
  p.end();
  return img.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
