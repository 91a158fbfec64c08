// The PC buttons: phone book, SMS and monitor files.
#include "app/Form1.h"

void TForm1::LoadSIMPCClick() {}
void TForm1::SaveSIMPCClick() {}
void TForm1::LoadSMSPCClick() {}
void TForm1::SaveSMSPCClick() {}
void TForm1::SaveMonitorClick() {}
