// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Widgets.h"

#include <QAccessible>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

namespace {

// Tells assistive technology that an indicator's name (its text or state) changed.
void announceName(QWidget* w) {
  QAccessibleEvent event(w, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace

QFont ClassicFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("Nimbus Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

TGauge::TGauge(QWidget* parent) : QWidget(parent) { InstallWidgetAccessibility(); }

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
  QAccessibleValueChangeEvent event(this, position_);
  QAccessible::updateAccessibility(&event);
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

TShape::TShape(QWidget* parent) : QWidget(parent) { InstallWidgetAccessibility(); }

void TShape::SetBrushColor(const QColor& c) {
  if (c == brush_) return;
  brush_ = c;
  update();
  announceName(this);
  QAccessibleValueChangeEvent event(this, StateText());
  QAccessible::updateAccessibility(&event);
}

QString TShape::StateText() const {
  if (isHidden()) return StateWord(QStringLiteral("off"));
  static const struct {
    QRgb rgb;
    const char* word;
  } words[] = {{0xFF0000, "red"},   {0xFFFF00, "yellow"}, {0x00FF00, "green"},
               {0x008000, "green"}, {0x0000FF, "blue"},   {0xFFFFFF, "white"}};
  for (const auto& w : words)
    if ((brush_.rgb() & 0xFFFFFF) == w.rgb) return StateWord(QString::fromLatin1(w.word));
  return brush_.name();
}

void TShape::SetStateWord(const QString& english, const QString& word) {
  words_.insert(english, word);
  announceName(this);
}

void TShape::setVisible(bool visible) {
  const bool was = !isHidden();
  QWidget::setVisible(visible);
  if (was != !isHidden()) announceName(this);
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
  InstallWidgetAccessibility();
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

namespace {
void announceAnimated(TAnimate* a) {
  QAccessible::State changed;
  changed.animated = true;
  QAccessibleStateChangeEvent event(a, changed);
  QAccessible::updateAccessibility(&event);
}
}  // namespace

void TAnimate::Play() {
  const bool was = Active();
  timer_->start();
  if (!was) announceAnimated(this);
}

void TAnimate::Stop() {
  const bool was = Active();
  timer_->stop();
  frame_ = 0;
  update();
  if (was) announceAnimated(this);
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
  InstallWidgetAccessibility();
  for (int i = 0; i < widths_.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setTextFormat(Qt::PlainText);  // an operator's name is never markup
    panel->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    panels_.append(panel);
  }
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= panels_.size()) return;
  panels_[index]->setText(text);  // announces the change itself
}

QString TStatusBar::PanelText(int index) const {
  return index >= 0 && index < panels_.size() ? panels_[index]->text() : QString();
}

QRect TStatusBar::panelRect(int index) const {
  int x = 0;
  for (int i = 0; i < index; ++i) x += widths_[i];
  const int w = index + 1 == widths_.size() ? width() - x : widths_[index];
  return QRect(x, 2, w - 2, height() - 3);
}

void TStatusBar::resizeEvent(QResizeEvent*) {
  for (int i = 0; i < panels_.size(); ++i)
    panels_[i]->setGeometry(panelRect(i).adjusted(2, 0, -2, 0));
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  for (int i = 0; i < widths_.size(); ++i) {
    const QRect r = panelRect(i);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
}
