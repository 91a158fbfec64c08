#include "app/Widgets.h"

#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

QFont ClassicFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("Nimbus Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

void TGauge::SetRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = maximum;
  SetPosition(position_);
}

void TGauge::SetPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == position_) return;
  position_ = position;
  update();
}

void TGauge::SetForeColor(const QColor& c) {
  fore_ = c;
  update();
}

void TGauge::SetBackColor(const QColor& c) {
  back_ = c;
  update();
}

double TGauge::Share() const {
  return max_ > min_ ? double(position_ - min_) / (max_ - min_) : 0.0;
}

void TBarGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), BackColor());
  p.fillRect(0, 0, int(width() * Share()), height(), ForeColor());
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPieGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
  p.setPen(Qt::NoPen);
  p.setBrush(BackColor());
  p.drawEllipse(r);
  const int span = int(360 * 16 * Share());
  if (span > 0) {
    p.setBrush(ForeColor());
    p.drawPie(r, 90 * 16, -span);
  }
  p.setPen(QPen(Qt::darkGray, 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(r);
}

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::SetBrushColor(const QColor& c) {
  brush_ = c;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(brush_);
  const int d = std::min(width(), height());
  p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

TAnimate::TAnimate(const QStringList& frames, int intervalMs, QWidget* parent)
    : QWidget(parent), timer_(new QTimer(this)) {
  // Opaque, like the platform's animation control: it hides what lies under it.
  setAutoFillBackground(true);
  for (const QString& f : frames) frames_.append(QPixmap(f));
  timer_->setInterval(intervalMs);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (frames_.isEmpty()) return;
    frame_ = (frame_ + 1) % frames_.size();
    update();
  });
}

void TAnimate::Play() { timer_->start(); }

void TAnimate::Stop() {
  timer_->stop();
  frame_ = 0;
  update();
}

bool TAnimate::Active() const { return timer_->isActive(); }

void TAnimate::paintEvent(QPaintEvent*) {
  if (frames_.isEmpty()) return;
  QPainter p(this);
  const QPixmap& pm = frames_.at(frame_);
  p.drawPixmap((width() - pm.width()) / 2, (height() - pm.height()) / 2, pm);
}

TStatusBar::TStatusBar(const QList<int>& widths, QWidget* parent)
    : QWidget(parent), widths_(widths) {
  for (int i = 0; i < widths_.size(); ++i) texts_.append(QString());
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= texts_.size() || texts_[index] == text) return;
  texts_[index] = text;
  update();
}

QString TStatusBar::PanelText(int index) const { return texts_.value(index); }

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  int x = 0;
  for (int i = 0; i < widths_.size(); ++i) {
    const int w = i + 1 == widths_.size() ? width() - x : widths_[i];
    const QRect r(x, 2, w - 2, height() - 3);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, texts_[i]);
    x += w;
  }
}
