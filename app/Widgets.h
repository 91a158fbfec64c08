// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small indicator widgets of the window: bar gauge, pie gauge, circle shape, animation
// and a status bar with fixed-width panels. Each tells assistive technology what it shows
// (name, value, role) and when that changes.
#include <QColor>
#include <QHash>
#include <QStringList>
#include <QWidget>

class QLabel;
class QTimer;

// The window's font: 8 points at 96 dots per inch, with metric-compatible stand-ins where the
// classic face is absent. The layout is measured in it.
QFont ClassicFont();

// A gauge with a range, a position held inside it, and two colours. Read as a progress bar
// whose value is the position.
class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);
  void SetRange(int minimum, int maximum);
  int Minimum() const { return min_; }
  int Maximum() const { return max_; }
  void SetPosition(int position);
  int Position() const { return position_; }
  void SetForeColor(const QColor& c);
  void SetBackColor(const QColor& c);
  QColor ForeColor() const { return fore_; }
  QColor BackColor() const { return back_; }

 protected:
  // The share of the range from the minimum to the position, 0 to 1.
  double Share() const;

 private:
  int min_ = 0, max_ = 100, position_ = 0;
  QColor fore_ = Qt::black, back_ = Qt::gray;
};

// Horizontal bar gauge (Smeter).
class TBarGauge : public TGauge {
  Q_OBJECT
 public:
  using TGauge::TGauge;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// Pie gauge (Gauge1): the share from minimum to position in the fore colour, the rest in
// the back colour.
class TPieGauge : public TGauge {
  Q_OBJECT
 public:
  using TGauge::TGauge;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// Circle shape (LED), no outline. Read as its name followed by its state: the colour, or
// "off" while hidden ("Traffic indicator: yellow").
class TShape : public QWidget {
  Q_OBJECT
 public:
  explicit TShape(QWidget* parent = nullptr);
  void SetBrushColor(const QColor& c);
  QColor BrushColor() const { return brush_; }
  QString StateText() const;
  void setVisible(bool visible) override;
  // The word StateText gives for a state ("off", "red", "yellow", ...) in the window's
  // language; unset, the English word.
  QString StateWord(const QString& english) const { return words_.value(english, english); }
  void SetStateWord(const QString& english, const QString& word);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor brush_ = Qt::red;
  QHash<QString, QString> words_;
};

// Animation playing a clip of frames (Prenos, Cekani); read as animated while it plays.
class TAnimate : public QWidget {
  Q_OBJECT
 public:
  // frames: resource paths, played in order at the given interval.
  TAnimate(const QStringList& frames, int intervalMs, QWidget* parent = nullptr);
  void Play();
  void Stop();  // stops on the first frame
  bool Active() const;
  int Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QList<QPixmap> frames_;
  QTimer* timer_;
  int frame_ = 0;
};

// Status bar with fixed-width panels; the last runs to the right edge. Each panel's text is a
// label of its own, so that it is read, and its changes announced, like any label.
class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  TStatusBar(const QList<int>& widths, QWidget* parent = nullptr);
  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QRect panelRect(int index) const;

  QList<int> widths_;
  QList<QLabel*> panels_;
};

// Makes the widgets above known to Qt's accessibility (their name, value and role); their
// constructors call it.
void InstallWidgetAccessibility();
