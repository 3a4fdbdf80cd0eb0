// The main window "Navigator": an empty frame whose menu opens the working windows.
#pragma once

#include "runtime/Form.h"
#include "runtime/Menus.h"

class TfrmNavigator : public TForm {
    Q_OBJECT

  public:
    TfrmNavigator();

    TMainMenu* MainMenu1;
    TMenuItem* Radnik1;
    TMenuItem* Unosnovogradnika1;
    TMenuItem* Evidentiranjedana1;
    TMenuItem* Izvestaji1;
    TMenuItem* Izvestajizaradnike1;
    TMenuItem* Karticaradnika1;

    void Unosnovogradnika1Click(QObject* Sender);
    void Evidentiranjedana1Click(QObject* Sender);
    void Izvestajizaradnike1Click(QObject* Sender);
    void Karticaradnika1Click(QObject* Sender);
};

extern TfrmNavigator* frmNavigator;
