// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The boxes of the work nobody watches (the unit's lines, the timer, a port that went away):
// a message or an error asked for while it runs is shown by the event loop once its handler
// has ended, so that the box's own loop never runs behind a half-done handler and the line is
// never held by it (the port does not raise its event again while one is being handled).
// They come up one after another; an error whose kind is already waiting or up is not shown
// again, so a night of line noise leaves one box, not thousands; nor is a question asked again
// while it stands. Anything else, and every box asked for outside that work, goes straight to
// the real dialogs.
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <optional>

#include "platform/Dialogs.h"

class DeferredDialogs : public Dialogs {
 public:
  // boxes are the real dialogs; context is the object whose event loop shows the boxes.
  DeferredDialogs(Dialogs* boxes, QObject* context);

  // Marks the unattended work for as long as it lives.
  class Unattended {
   public:
    explicit Unattended(DeferredDialogs& d) : d(d) { ++d.depth; }
    ~Unattended() { --d.depth; }
    Unattended(const Unattended&) = delete;
    Unattended& operator=(const Unattended&) = delete;

   private:
    DeferredDialogs& d;
  };

  // The same, for work whose start and end are two calls (LinkFace::UnattendedWork).
  void beginUnattended() { ++depth; }
  void endUnattended() { --depth; }

  // The standard error report of an error of this kind (its class): within the unattended
  // work, not shown while one of the same kind waits or is up.
  void report(const QString& text, const QString& kind, int tag = 0);

  void message(const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
  void error(const QString& text, int tag = 0) override;
  void dismiss(int tag) override;
  int choose(const QString& text, const QStringList& answers) override;
  QString openFile(const QString& filter) override;
  QString saveFile(const QString& filter) override;
  int choosePort(const PortChoiceTexts& texts) override;

 private:
  struct Box {
    bool error = false;
    QString text;
    QString kind;  // errors: not shown twice at once
    int tag = 0;
  };
  void enqueue(const Box& box);
  void showWaiting();

  Dialogs* boxes;
  QPointer<QObject> context;
  int depth = 0;
  bool showing = false;
  bool scheduled = false;
  std::optional<Box> up;
  std::deque<Box> waiting;
  QStringList questionsUp;
};
