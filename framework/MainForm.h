// TfMain: the launcher window, one button per tool. Each click opens a new
// window owned by the launcher (closed with it) or runs a direct command on
// a new hidden TfAllCommand owned by it.
//
// What each button does comes from launcherButtons(); a button without a
// launch action is disabled. The tool windows live in folders that build on
// this one, so they announce themselves with SetLauncher() when the library
// starts, before the first launcher window is created.
//
// Threads: user-interface thread.
#pragma once

#include "BaseForm.h"

#include <QPushButton>

#include <vector>

namespace mosvik {

class TfMain;

// What a launcher button does; null: the button is disabled.
using TLaunch = void (*)(TfMain& launcher);

struct TLauncherButton {
    const char* name;
    QString caption;
    int left;
    int top;
    TLaunch launch;
};

// The buttons in tab order.
const std::vector<TLauncherButton>& launcherButtons();
// Gives the button `name` its action (null disables it again); windows
// created before keep what they had. Throws std::invalid_argument for an
// unknown name.
void SetLauncher(const char* name, TLaunch launch);

class TfMain : public TTBaseForm {
    Q_OBJECT

public:
    TfMain(QWidget* AOwner, com::IVGApplication* App);

    // A new window of type T owned by the launcher, with its application
    // reference, shown without blocking (null if it gave up).
    template <class T> T* OpenOwned() {
        T* window = TTBaseForm::create<T>(this, FApp.get());
        if (window)
            window->show();
        return window;
    }
    // The launch action that opens a T.
    template <class T> static void Open(TfMain& launcher) { launcher.OpenOwned<T>(); }

    // Page fit on a new hidden TfAllCommand owned by the launcher.
    static void RunPageAdaptation(TfMain& launcher);

    QPushButton* btn_ToJPG;
    QPushButton* btn1;
    QPushButton* btn2;
    QPushButton* btn3;
    QPushButton* btn4;
    QPushButton* btn5;
    QPushButton* btn6;
};

} // namespace mosvik
