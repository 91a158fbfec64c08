// The admission log on the ADMISSIONS page and its files.
#include "app/Form1.h"

void TForm1::EnterAdmission(const QString&) {}
void TForm1::RelAChange() {}
void TForm1::SavClick() {}
