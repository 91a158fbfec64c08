// SPDX-License-Identifier: GPL-3.0-or-later
// The window's layout: every control with its name, place and start texts.
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "app/Form1.h"
#include "app/JpegImage.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "link/ComPort.h"
#include "phonebook/NameValueGrid.h"

// The pictures live in a static library; nothing would pull them in otherwise.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {

const QColor kCream(0xFF, 0xFB, 0xF0);

template <typename T>
T* place(T* widget, const char* name, int left, int top, int width = -1, int height = -1) {
  widget->setObjectName(QString::fromLatin1(name));
  if (width < 0) {
    widget->adjustSize();
    widget->move(left, top);
  } else {
    widget->setGeometry(left, top, width, height);
  }
  return widget;
}

// Labels placed by their corner only grow with their caption, which a translation may lengthen.
QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top) {
  QLabel* l = place(new QLabel(text, parent), name, left, top);
  l->setProperty(TForm1::AutoSizeProperty, true);
  return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int left, int top,
                    int width, int height) {
  return place(new QPushButton(text, parent), name, left, top, width, height);
}

// Load and Save buttons carry their picture to the right of the caption.
QPushButton* pictureButton(QWidget* parent, const char* name, const QString& text, int left,
                           int top, int width, int height) {
  QPushButton* b = button(parent, name, text, left, top, width, height);
  b->setIcon(QIcon(QStringLiteral(":/button.png")));
  b->setIconSize(QSize(17, 17));
  b->setLayoutDirection(Qt::RightToLeft);
  return b;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, int left, int top,
                 int width, int height, const QColor& background) {
  QGroupBox* g = place(new QGroupBox(title, parent), name, left, top, width, height);
  g->setAutoFillBackground(true);
  QPalette pal = g->palette();
  pal.setColor(QPalette::Window, background);
  g->setPalette(pal);
  return g;
}

QLineEdit* edit(QWidget* parent, const char* name, int left, int top, int width) {
  return place(new QLineEdit(parent), name, left, top, width, 21);
}

QLabel* background(QWidget* page, const char* name, int top, const QPixmap& picture) {
  QLabel* image = place(new QLabel(page), name, 0, top, 593, 425);
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image->setPixmap(picture);  // drawn unscaled from the top-left corner
  return image;
}

QStringList clipFrames(const QString& folder, int count) {
  QStringList frames;
  for (int i = 0; i < count; ++i)
    frames << QStringLiteral(":/%1/%2.png").arg(folder).arg(i, 2, 10, QLatin1Char('0'));
  return frames;
}

QPixmap backgroundPicture() {
  QFile file(QStringLiteral(":/background.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QPixmap::fromImage(DecodeJpeg(file.readAll()));
}

}  // namespace

void TForm1::buildLayout() {
  initResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("ZUL set"));
  setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
  setFont(ClassicFont());
  setFixedSize(613, 517);
  move(200, 200);

  PageControl1 = place(new QTabWidget(this), "PageControl1", 0, 0, 609, 473);
  PageControl1->setIconSize(QSize(40, 40));
  PageControl1->tabBar()->setExpanding(false);
  PageControl1->setUsesScrollButtons(false);
  PHONE = new QWidget;
  PHONE->setObjectName(QStringLiteral("PHONE"));
  SMS = new QWidget;
  SMS->setObjectName(QStringLiteral("SMS"));
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  Admissions = new QWidget;
  Admissions->setObjectName(QStringLiteral("Admissions"));
  PageControl1->addTab(PHONE, QIcon(QStringLiteral(":/tab-phone.png")), QStringLiteral("PHONE"));
  PageControl1->addTab(SMS, QIcon(QStringLiteral(":/tab-sms.png")), QStringLiteral("SMS"));
  PageControl1->addTab(TabSheet1, QIcon(QStringLiteral(":/tab-monitor.png")),
                       QStringLiteral("MONITOR"));
  PageControl1->addTab(Admissions, QIcon(QStringLiteral(":/tab-admissions.png")),
                       QStringLiteral("ADMISSIONS"));
  PageControl1->setCurrentWidget(PHONE);

  const QPixmap picture = backgroundPicture();
  Image4 = background(PHONE, "Image4", 0, picture);
  Image5 = background(SMS, "Image5", 0, picture);
  Image1 = background(Admissions, "Image1", -2, picture);

  // ---- PHONE page ----
  PhoneBook = label(PHONE, "PhoneBook", QStringLiteral("Phone Book in SIM"), 216, 16);
  PhoneBook1 = place(new TNameValueGrid(QStringLiteral("Name"), QStringLiteral("Phone"), PHONE),
                     "PhoneBook1", 216, 48, 241, 313);
  PhoneBook1->SetColumnWidths(132, 103);
  PhoneBook1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Numbers = place(new QLabel(QStringLiteral("0"), PHONE), "Numbers", 464, 52, 24, 14);

  GroupBox4 = group(PHONE, "GroupBox4", QStringLiteral("SIM"), 488, 16, 89, 113, kCream);
  LoadPHONE = button(GroupBox4, "LoadPHONE", QStringLiteral("Load SIM"), 6, 16, 75, 25);
  SavePhone = button(GroupBox4, "SavePhone", QStringLiteral("Overwrite SIM"), 6, 48, 75, 25);
  AddToSIM = button(GroupBox4, "AddToSIM", QStringLiteral("Add To SIM"), 6, 80, 75, 25);

  GroupBox5 = group(PHONE, "GroupBox5", QStringLiteral("PC"), 488, 152, 89, 81, kCream);
  LoadSIMPC = pictureButton(GroupBox5, "LoadSIMPC", QStringLiteral("Load"), 8, 16, 73, 25);
  SaveSIMPC = pictureButton(GroupBox5, "SaveSIMPC", QStringLiteral("Save"), 6, 48, 75, 25);

  Info = group(PHONE, "Info", QStringLiteral("Info"), 24, 48, 177, 361, kCream);
  struct InfoRow {
    QLabel** name;
    const char* nameObject;
    QLabel** value;
    const char* entry;
    int left;
    int top;
  };
  const InfoRow rows[] = {
      {&Label1, "Label1", &ADMIN1, "ADMIN1", 24, 16},
      {&Label2, "Label2", &ADMIN2, "ADMIN2", 24, 32},
      {&Label3, "Label3", &ADMIN3, "ADMIN3", 24, 48},
      {&Label4, "Label4", &ADMIN4, "ADMIN4", 24, 64},
      {&Label5, "Label5", &ADMIN5, "ADMIN5", 24, 80},
      {&Label14, "Label14", &ADMIN6, "ADMIN6", 24, 96},
      {&Label15, "Label15", &ADMIN7, "ADMIN7", 24, 112},
      {&Label16, "Label16", &ADMIN8, "ADMIN8", 24, 128},
      {&Label17, "Label17", &ALARM1, "ALARM1", 24, 152},
      {&Label20, "Label20", &ALARM2, "ALARM2", 24, 168},
      {&Label21, "Label21", &ALARM3, "ALARM3", 24, 184},
      {&Label22, "Label22", &ALARM4, "ALARM4", 24, 200},
      {&Label23, "Label23", &ALARM5, "ALARM5", 24, 216},
      {&Label24, "Label24", &ALARM6, "ALARM6", 24, 232},
      {&Label25, "Label25", &ALARM7, "ALARM7", 24, 248},
      {&Label26, "Label26", &ALARM8, "ALARM8", 24, 264},
      {&Label28, "Label28", &RTIME, "RTIME", 32, 288},
      {&Label18, "Label18", &CRED, "CRED", 40, 312},
      {&Label27, "Label27", &OPER, "OPER", 40, 328},
  };
  for (const InfoRow& row : rows) {
    *row.name = label(Info, row.nameObject, QString::fromLatin1(row.entry), row.left, row.top);
    *row.value = place(new QLabel(Info), row.entry, 88, row.top, 85, 14);
  }

  GroupBox6 = group(PHONE, "GroupBox6", QString(), 208, 368, 377, 41, kCream);
  FindName = edit(GroupBox6, "FindName", 8, 8, 137);
  FindPhone = edit(GroupBox6, "FindPhone", 144, 8, 89);
  Find = button(GroupBox6, "Find", QStringLiteral("Find"), 240, 8, 41, 25);
  FindNext = button(GroupBox6, "FindNext", QStringLiteral("Find Next"), 280, 8, 49, 25);
  Sort = button(GroupBox6, "Sort", QStringLiteral("Sort"), 328, 8, 41, 25);

  Autoverify =
      place(new QCheckBox(QStringLiteral("Autoverify"), PHONE), "Autoverify", 464, 288, 113, 17);
  Test = button(PHONE, "Test", QStringLiteral("Verify Phone Book"), 464, 320, 113, 25);

  // ---- SMS page ----
  Label7 = label(SMS, "Label7", QStringLiteral("Phone:"), 96, 8);
  Label8 = label(SMS, "Label8", QStringLiteral("Text:"), 304, 8);
  struct SmsRow {
    QLabel** label;
    const char* labelObject;
    const char* caption;
    QLineEdit** phone;
    const char* phoneObject;
    QLineEdit** text;
    const char* textObject;
    int top;
  };
  const SmsRow smsRows[] = {
      {&Label6, "Label6", "SMS Start:", &SMSPhone1, "SMSPhone1", &SMSText1, "SMSText1", 40},
      {&Label9, "Label9", "SMS Input1:", &SMSPhone2, "SMSPhone2", &SMSText2, "SMSText2", 72},
      {&Label10, "Label10", "SMS Input2:", &SMSPhone3, "SMSPhone3", &SMStext3, "SMStext3", 112},
      {&Label11, "Label11", "SMS blank1:", &SMSPhone4, "SMSPhone4", &SMStext4, "SMStext4", 144},
      {&Label12, "Label12", "SMS blank2:", &SMSPhone5, "SMSPhone5", &SMStext5, "SMStext5", 184},
      {&Label13, "Label13", "SMS blank3:", &SMSPhone6, "SMSPhone6", &SMSText6, "SMSText6", 216},
  };
  int k = 0;
  for (const SmsRow& row : smsRows) {
    *row.label = label(SMS, row.labelObject, QString::fromLatin1(row.caption), 24, row.top + 3);
    (*row.label)->setAutoFillBackground(true);
    QPalette pal = (*row.label)->palette();
    pal.setColor(QPalette::Window, kCream);
    (*row.label)->setPalette(pal);
    *row.phone = edit(SMS, row.phoneObject, 88, row.top, 97);
    *row.text = edit(SMS, row.textObject, 184, row.top, 297);
    SmsPhones[k] = *row.phone;
    SmsTexts[k] = *row.text;
    ++k;
  }
  // Rows 4 to 6 are off unless the settings switch them on.
  Label11->setEnabled(false);
  Label12->setEnabled(false);
  Label13->setEnabled(false);

  GroupBox1 = group(SMS, "GroupBox1", QStringLiteral("SMSs in SIM"), 40, 256, 545, 153, kCream);
  SMSs = place(new QPlainTextEdit(GroupBox1), "SMSs", 8, 16, 529, 129);
  SMSs->setReadOnly(true);
  SMSs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SMSs->setLineWrapMode(QPlainTextEdit::NoWrap);

  GroupBox2 = group(SMS, "GroupBox2", QStringLiteral("SIM"), 488, 16, 89, 113, kCream);
  ButtonLoadSMS = button(GroupBox2, "ButtonLoadSMS", QStringLiteral("Load SMSs"), 6, 16, 75, 25);
  ButtonSaveSMS = button(GroupBox2, "ButtonSaveSMS", QStringLiteral("Save SMSs"), 6, 48, 75, 25);
  ButtonDeleteSMS =
      button(GroupBox2, "ButtonDeleteSMS", QStringLiteral("Delete SMSs"), 6, 80, 75, 25);

  GroupBox3 = group(SMS, "GroupBox3", QStringLiteral("PC"), 488, 152, 89, 81, kCream);
  LoadSMSPC = pictureButton(GroupBox3, "LoadSMSPC", QStringLiteral("Load"), 8, 16, 73, 25);
  SaveSMSPC = pictureButton(GroupBox3, "SaveSMSPC", QStringLiteral("Save"), 6, 48, 75, 25);

  // ---- MONITOR page ----
  Monitor = place(new TMonitorView(TabSheet1), "Monitor", 0, 0, 601, 385);
  {
    QPalette pal = Monitor->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Button));
    Monitor->setPalette(pal);
  }
  SaveMonitor = pictureButton(TabSheet1, "SaveMonitor", QStringLiteral("Save"), 518, 392, 75, 25);
  // What a terminal gives: the time of each line, find (Ctrl+F), clear.
  MonitorTimes =
      place(new QCheckBox(QStringLiteral("Time"), TabSheet1), "MonitorTimes", 8, 396, 97, 17);
  MonitorFindText = edit(TabSheet1, "MonitorFindText", 112, 394, 161);
  MonitorFind = button(TabSheet1, "MonitorFind", QStringLiteral("Find"), 280, 392, 75, 25);
  MonitorClear = button(TabSheet1, "MonitorClear", QStringLiteral("Clear"), 362, 392, 75, 25);

  // ---- ADMISSIONS page ----
  AdmisRec = place(new TNameValueGrid(QStringLiteral("Date"), QStringLiteral("Name"), Admissions),
                   "AdmisRec", 24, 24, 377, 377);
  AdmisRec->SetColumnWidths(117, 254);
  AdmisRec->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  AdmisRec->SetRowEditing(false);
  RelaisA = group(Admissions, "RelaisA", QStringLiteral("Relay A"), 424, 40, 153, 49, Qt::white);
  RelA = edit(RelaisA, "RelA", 8, 16, 137);
  RelaisB = group(Admissions, "RelaisB", QStringLiteral("Relay B"), 424, 112, 153, 49, Qt::white);
  RelB = edit(RelaisB, "RelB", 8, 16, 137);
  Storage = group(Admissions, "Storage", QStringLiteral("Storage Records"), 424, 192, 153, 137,
                  Qt::white);
  Panel1 = place(new QFrame(Storage), "Panel1", 8, 16, 137, 81);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);
  Automat = place(new QCheckBox(QStringLiteral("Automatically per day"), Panel1), "Automat", 8, 8,
                  125, 17);
  Label29 = label(Panel1, "Label29", QStringLiteral("to file:"), 48, 32);
  SaveFile = edit(Panel1, "SaveFile", 8, 48, 113);
  Sav = button(Storage, "Sav", QStringLiteral("Save"), 40, 104, 83, 25);

  // ---- indicator strip ----
  Label19 = label(this, "Label19", QStringLiteral("Signal strength"), 8, 478);
  Smeter = place(new TBarGauge(this), "Smeter", 88, 480, 473, 9);
  Smeter->SetRange(0, 31);
  Smeter->SetBackColor(QColor(0x80, 0x80, 0x80));
  Prenos = place(new TAnimate(clipFrames(QStringLiteral("copy"), 16), 60, this), "Prenos", 0, 472,
                 185, 25);
  Prubeh = place(new QProgressBar(this), "Prubeh", 184, 472, 377, 25);
  Prubeh->setTextVisible(false);
  Prubeh->setRange(0, 100);
  Prubeh->setValue(0);
  LED = place(new TShape(this), "LED", 566, 472, 11, 25);
  LED->SetBrushColor(QColor(0xFF, 0, 0));
  Cekani = place(new TAnimate(clipFrames(QStringLiteral("search"), 9), 120, this), "Cekani", 576,
                 472, 33, 25);
  Gauge1 = place(new TPieGauge(this), "Gauge1", 584, 472, 25, 25);
  Gauge1->SetRange(-27, 0);
  Gauge1->SetBackColor(QColor(0x00, 0xFF, 0x00));
  Gauge1->SetForeColor(palette().color(QPalette::Window));
  Gauge1->SetPosition(0);
  // The animations lie over what they hide; the gauge is below the waiting clip.
  Prenos->raise();
  Prubeh->raise();
  Cekani->raise();
  // The two clips are shown as laid out; start-up hides them (FormCreate's last step).
  Prubeh->hide();
  LED->hide();
  // What assistive technology calls the indicators; the meter takes its title's text.
  Label19->setBuddy(Smeter);
  Gauge1->setAccessibleName(QStringLiteral("Link countdown"));
  LED->setAccessibleName(QStringLiteral("Traffic indicator"));
  Prenos->setAccessibleName(QStringLiteral("Transfer"));
  Prubeh->setAccessibleName(QStringLiteral("Transfer progress"));
  Cekani->setAccessibleName(QStringLiteral("Waiting for the unit"));

  StatusBar1 = place(new TStatusBar({260, 190, 80, 30}, this), "StatusBar1", 0, 495, 613, 22);
  StatusBar1->SetPanelText(0, QLatin1Char(' ') + Words.Operator);
  StatusBar1->SetPanelText(1, QLatin1Char(' ') + Words.Centre);
  StatusBar1->SetPanelText(2, QLatin1Char(' ') + Words.Sim);
  ShowVersion();

  // Timer1 and ComPort1 are the link core's.
  Timer1->setObjectName(QStringLiteral("Timer1"));
  ComPort1->setObjectName(QStringLiteral("ComPort1"));

  QPushButton* sim[6] = {LoadPHONE,     SavePhone,     AddToSIM,
                         ButtonLoadSMS, ButtonSaveSMS, ButtonDeleteSMS};
  std::copy(std::begin(sim), std::end(sim), SimButtons);
}
