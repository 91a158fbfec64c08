// The six SIM buttons. Each sends the first command of its chain and arms a flag; the
// parser carries the chain on with every answer.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "app/Form1.h"
#include "app/Widgets.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Clock.h"

namespace {

// The probe only paces the chain: its answer is passed over when the parser reaches it,
// while a call that came meanwhile is still read.
void probeAndPause(TForm1& f) {
  f.SendForChain(At::Probe);
  ++f.Link.Marks.probesDue;
  f.Env.clock->pause(1000);
  f.Env.clock->pause(1000);
}

void showTransfer(TForm1& f) {
  f.Prubeh->show();
  f.Prenos->Play();
  f.Prenos->show();
}

void clearSmsPairs(TForm1& f) {
  for (QLineEdit* e : f.SmsPhones) e->clear();
  for (QLineEdit* e : f.SmsTexts) e->clear();
}

}  // namespace

void TForm1::LoadPHONEClick() {
  if (ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  // Runs even while busy: pressing it stops a phone book write or erase.
  PhoneBook1->SetRow(1);
  Link.WritingPhoneBook = false;
  Link.ErasingPhoneBook = false;
  if (!Link.LinkIdle) return;

  StartChain(Chain::LoadSim);
  LockButtons();
  PhoneBook1->Clear();
  ClearInfo();
  Env.clock->pause(100);
  probeAndPause(*this);
  Link.PhoneBookFresh = true;
  if (Link.PhoneBookCapacity > 1)
    SendAwaited(At::ReadPhoneBook(Link.PhoneBookCapacity - 1), Awaiting::Read);
  Link.CentreAsked = false;
  Link.LinkIdle = false;
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  showTransfer(*this);
}

void TForm1::SavePhoneClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  StartChain(Chain::OverwriteSim);
  LockButtons();
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  Link.StepIndex = 0;
  Prubeh->setValue(Link.PhoneBookCapacity);
  showTransfer(*this);
  SendForChain(At::ErasePhoneBook);
  // The erase itself waits for the unit's next signal report.
  Link.ErasePending = true;
}

void TForm1::AddToSIMClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  StartChain(Chain::AddToSim);
  LockButtons();
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  showTransfer(*this);
  StartWriting();
}

void TForm1::ButtonLoadSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  StartChain(Chain::LoadSms);
  SMSs->clear();
  Link.DeletingSms = false;
  Link.WritingSms = false;
  clearSmsPairs(*this);
  SendSmsList();
  Link.LinkIdle = false;
}

void TForm1::ButtonSaveSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  StartChain(Chain::SaveSms);
  Prubeh->setMaximum(6);
  Prubeh->setValue(0);
  showTransfer(*this);
  Prubeh->setValue(1);
  LockButtons();
  SMSs->clear();  // the pairs keep their text: they are what will be written
  probeAndPause(*this);
  Link.WritingSms = true;
  Link.DeletingSms = true;
  Link.StepIndex = 1;
  SendAwaited(At::DeleteSms(1), Awaiting::SmsDelete);
}

void TForm1::ButtonDeleteSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
  StartChain(Chain::DeleteSms);
  Prubeh->setMaximum(25);
  Prubeh->setValue(0);
  Prubeh->show();  // no transfer animation for this one
  Prubeh->setValue(1);
  LockButtons();
  probeAndPause(*this);
  Link.DeletingSms = true;
  Link.StepIndex = 1;
  SendAwaited(At::DeleteSms(1), Awaiting::SmsDelete);
  Link.LinkIdle = false;
}
