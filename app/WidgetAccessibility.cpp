// SPDX-License-Identifier: GPL-3.0-or-later
// What the indicator widgets tell assistive technology: screen readers, and GUI test tools,
// over the platform's accessibility bus.
#include <QAccessibleWidget>

#include "app/Widgets.h"

namespace {

// The gauges are read as progress bars; their value is the position within the range.
class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit GaugeAccessible(TGauge* gauge) : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::number(gauge()->Position());
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return gauge()->Position(); }
  void setCurrentValue(const QVariant&) override {}  // an indicator: only the program sets it
  QVariant maximumValue() const override { return gauge()->Maximum(); }
  QVariant minimumValue() const override { return gauge()->Minimum(); }
  QVariant minimumStepSize() const override { return 1; }

 private:
  TGauge* gauge() const { return static_cast<TGauge*>(widget()); }
};

// The LED has no number to give: its state goes into its name, which screen readers announce
// when it changes, and is its value text for the platforms that read one.
class ShapeAccessible : public QAccessibleWidget {
 public:
  explicit ShapeAccessible(TShape* shape) : QAccessibleWidget(shape, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    const QString state = static_cast<TShape*>(widget())->StateText();
    if (t == QAccessible::Value) return state;
    const QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name) return text.isEmpty() ? state : text + QStringLiteral(": ") + state;
    return text;
  }
};

class AnimateAccessible : public QAccessibleWidget {
 public:
  explicit AnimateAccessible(TAnimate* clip) : QAccessibleWidget(clip, QAccessible::Animation) {}

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.animated = static_cast<TAnimate*>(widget())->Active();
    return s;
  }
};

QAccessibleInterface* widgetInterface(const QString& className, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (className == QLatin1String("TGauge"))
    return new GaugeAccessible(static_cast<TGauge*>(object));
  if (className == QLatin1String("TShape"))
    return new ShapeAccessible(static_cast<TShape*>(object));
  if (className == QLatin1String("TAnimate"))
    return new AnimateAccessible(static_cast<TAnimate*>(object));
  // Its panels are labels, the children it reports.
  if (className == QLatin1String("TStatusBar"))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
  return nullptr;
}

}  // namespace

void InstallWidgetAccessibility() {
  static const bool installed = (QAccessible::installFactory(widgetInterface), true);
  Q_UNUSED(installed);
}
