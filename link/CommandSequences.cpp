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

// The probe's answer, and whatever else arrives meanwhile, is thrown away unparsed.
void probeAndFlush(TForm1& f) {
  f.ComPort1->SendText(At::Probe);
  f.Env.clock->pause(1000);
  f.ComPort1->DiscardInput();
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
  if (ComPort1->ComNumber() == 0) return;
  // Runs even while busy: pressing it stops a phone book write or erase.
  PhoneBook1->SetRow(1);
  Link.WritingPhoneBook = false;
  Link.ErasingPhoneBook = false;
  if (!Link.LinkIdle) return;

  LockButtons();
  PhoneBook1->Clear();
  ClearInfo();
  Env.clock->pause(100);
  probeAndFlush(*this);
  Link.PhoneBookFresh = true;
  if (Link.PhoneBookCapacity > 1) {
    // A report that came in the last pause would be parsed before the read's answer, and its
    // own "OK" would end the read before the first entry: drop it, as the flush dropped the
    // probe's answer.
    ComPort1->DiscardInput();
    ComPort1->SendText(At::ReadPhoneBook(Link.PhoneBookCapacity - 1));
  }
  Link.CentreAsked = false;
  Link.LinkIdle = false;
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  showTransfer(*this);
}

void TForm1::SavePhoneClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0) return;
  LockButtons();
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  Link.StepIndex = 0;
  Prubeh->setValue(Link.PhoneBookCapacity);
  showTransfer(*this);
  ComPort1->SendText(At::ErasePhoneBook);
  // The erase itself waits for the unit's next signal report.
  Link.ErasePending = true;
}

void TForm1::AddToSIMClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0) return;
  LockButtons();
  Prubeh->setMaximum(Link.PhoneBookCapacity);
  showTransfer(*this);
  ComPort1->SendText(At::Attention);
  Link.WritingPhoneBook = true;
  Link.StepIndex = 0;
  Link.RowErrors = 0;
}

void TForm1::ButtonLoadSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0) return;
  SMSs->clear();
  Link.DeletingSms = false;
  Link.WritingSms = false;
  clearSmsPairs(*this);
  ComPort1->SendText(At::ListSms);
  Link.LinkIdle = false;
}

void TForm1::ButtonSaveSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0) return;
  Prubeh->setMaximum(6);
  Prubeh->setValue(0);
  showTransfer(*this);
  Prubeh->setValue(1);
  LockButtons();
  SMSs->clear();  // the pairs keep their text: they are what will be written
  probeAndFlush(*this);
  Link.WritingSms = true;
  Link.DeletingSms = true;
  Link.StepIndex = 1;
  ComPort1->SendText(At::DeleteSms(1));
}

void TForm1::ButtonDeleteSMSClick() {
  if (!Link.LinkIdle || ComPort1->ComNumber() == 0) return;
  Prubeh->setMaximum(25);
  Prubeh->setValue(0);
  Prubeh->show();  // no transfer animation for this one
  Prubeh->setValue(1);
  LockButtons();
  probeAndFlush(*this);
  Link.DeletingSms = true;
  Link.StepIndex = 1;
  ComPort1->SendText(At::DeleteSms(1));
  Link.LinkIdle = false;
}
