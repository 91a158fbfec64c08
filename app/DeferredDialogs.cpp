// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DeferredDialogs.h"

#include <QAbstractEventDispatcher>
#include <algorithm>

DeferredDialogs::DeferredDialogs(Dialogs* boxes, QObject* context)
    : boxes(boxes), context(context) {}

void DeferredDialogs::report(const QString& text, const QString& kind, int tag) {
  if (depth == 0) return boxes->error(text, tag);
  const auto sameKind = [&kind](const Box& b) { return b.error && b.kind == kind; };
  if ((up && sameKind(*up)) || std::any_of(waiting.begin(), waiting.end(), sameKind)) return;
  enqueue({true, text, kind, tag});
}

void DeferredDialogs::message(const QString& text) {
  if (depth == 0) return boxes->message(text);
  enqueue({false, text, QString(), 0});
}

void DeferredDialogs::error(const QString& text, int tag) { report(text, text, tag); }

void DeferredDialogs::dismiss(int tag) {
  waiting.erase(
      std::remove_if(waiting.begin(), waiting.end(), [tag](const Box& b) { return b.tag == tag; }),
      waiting.end());
  boxes->dismiss(tag);
}

void DeferredDialogs::enqueue(const Box& box) {
  waiting.push_back(box);
  if (showing || scheduled || !context) return;
  scheduled = true;
  QMetaObject::invokeMethod(
      context,
      [this] {
        scheduled = false;
        showWaiting();
      },
      Qt::QueuedConnection);
}

void DeferredDialogs::showWaiting() {
  if (showing) return;
  showing = true;
  while (!waiting.empty()) {
    up = waiting.front();
    waiting.pop_front();
    // Calls posted before this one (the port's offer of the rest of a batch) would wait behind
    // the box's loop until something new is posted: GLib's dispatcher runs posted calls again
    // only after a wake-up.
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) loop->wakeUp();
    if (up->error)
      boxes->error(up->text, up->tag);
    else
      boxes->message(up->text);
    up.reset();
  }
  showing = false;
}

// What returns an answer is shown at once; the line and the timer go on behind it (the timer's
// ticks come through the event queue).
bool DeferredDialogs::question(const QString& caption, const QString& text) {
  // Asked again while it stands (the link silent for another hundred ticks): the standing one
  // still offers the choice, and nested boxes would pile up for as long as nobody comes.
  const QString asked = caption + QLatin1Char('\n') + text;
  if (questionsUp.contains(asked)) return false;
  questionsUp << asked;
  const bool yes = boxes->question(caption, text);
  questionsUp.removeOne(asked);
  return yes;
}

int DeferredDialogs::choose(const QString& text, const QStringList& answers) {
  return boxes->choose(text, answers);
}

QString DeferredDialogs::openFile(const QString& filter) { return boxes->openFile(filter); }

QString DeferredDialogs::saveFile(const QString& filter) { return boxes->saveFile(filter); }

int DeferredDialogs::choosePort(const PortChoiceTexts& texts) { return boxes->choosePort(texts); }
